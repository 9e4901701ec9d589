#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>

class Console;
struct LogReadOptions;

// The options of the commands that read logs about what they read:
// --log-format (checked against the definitions in force), --formats-file,
// --client-from and --trusted-proxy. Added to a parser, then applied to the
// read options in one place.
struct LogFormatOptions
{
    // `clients`: the command has clients to take (overview), so the client options too.
    explicit LogFormatOptions(bool clients) : clients(clients) {}

    bool clients;
    QCommandLineOption formatsFile{QStringLiteral("formats-file"),
                                   QStringLiteral("本次使用的日志格式定义文件（加在内置与 formats.json 之上） / "
                                                  "log format definitions for this run"),
                                   QStringLiteral("FILE")};
    QCommandLineOption clientFrom{QStringLiteral("client-from"),
                                  QStringLiteral("客户端地址取自：address（连接地址，默认）或 forwarded（X-Forwarded-For 中"
                                                 "最右边的公网、非受信代理地址） / where the client comes from"),
                                  QStringLiteral("address|forwarded"), QStringLiteral("address")};
    QCommandLineOption trustedProxy{QStringLiteral("trusted-proxy"),
                                    QStringLiteral("受信代理的地址段（可重复，或用逗号分隔），配合 --client-from forwarded / "
                                                   "a trusted proxy's prefix"),
                                    QStringLiteral("CIDR")};

    void addTo(QCommandLineParser &parser) const;

    // The definitions (built-in, the user's formats.json, --formats-file) and
    // the client choice into `options`, whose logFormat is checked against
    // them. A fault of formats.json stays in the definitions' `problems`, for
    // the run's report; any other fault is a usage error: false, with
    // `status` set.
    bool applyTo(const QCommandLineParser &parser, LogReadOptions &options, Console &console, int &status) const;
};

// `trawlex-cli formats`: the format definitions in force and where each comes from.
int RunFormatsCommand(const QStringList &arguments, Console &console);
