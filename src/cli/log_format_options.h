#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>

class Console;
struct LogReadOptions;

// Where a command that counts clients (overview) takes them from:
// --client-from and --trusted-proxy, added to a parser, then applied to the
// read options in one place.
struct ClientOptions
{
    QCommandLineOption clientFrom{QStringLiteral("client-from"),
                                  QStringLiteral("客户端地址取自：address（连接地址，默认）或 forwarded（X-Forwarded-For 中"
                                                 "最右边的公网、非受信代理地址） / where the client comes from"),
                                  QStringLiteral("address|forwarded"), QStringLiteral("address")};
    QCommandLineOption trustedProxy{QStringLiteral("trusted-proxy"),
                                    QStringLiteral("受信代理的地址段（可重复，或用逗号分隔），配合 --client-from forwarded / "
                                                   "a trusted proxy's prefix"),
                                    QStringLiteral("CIDR")};

    void addTo(QCommandLineParser &parser) const { parser.addOptions({clientFrom, trustedProxy}); }

    // The client choice into `options`; false with the usage error printed and `status` set.
    bool applyTo(const QCommandLineParser &parser, LogReadOptions &options, Console &console, int &status) const;
};

// `trawlex-cli formats`: the format definitions in force and where each comes from.
int RunFormatsCommand(const QStringList &arguments, Console &console);
