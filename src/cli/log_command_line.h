#pragma once

#include <QCommandLineOption>
#include <QString>
#include <QStringList>

#include <memory>

class Console;
class QCommandLineParser;
struct LogFormats;

// What the commands that read logs (`crawl`, `overview`, and any later one
// that reads the same inputs) take alike: the paths, sub-folders, the log
// format, the number of files read side by side, JSON output.
struct LogInputChoice
{
    QStringList paths;
    bool recursive = false;
    QString logFormat;
    int jobs = 1;
    std::shared_ptr<const LogFormats> formats;  // built-in, the user's formats.json, --formats-file
};

// The option group of those commands, declared once: add it to a parser,
// then take the choice (checked) from the parsed arguments.
struct LogCommandLine
{
    QCommandLineOption recursive{QStringLiteral("recursive"), QStringLiteral("包含子目录 / scan sub-folders too")};
    QCommandLineOption logFormat{
        QStringLiteral("log-format"),
        QStringLiteral("非 W3C 日志的格式：combined、common、格式定义的名字（trawlex-cli formats）、nginx log_format "
                       "或 Apache LogFormat 字符串 / layout of the logs that are not W3C"),
        QStringLiteral("FORMAT")};
    QCommandLineOption formatsFile{QStringLiteral("formats-file"),
                                   QStringLiteral("本次使用的日志格式定义文件（加在内置与 formats.json 之上） / "
                                                  "log format definitions for this run"),
                                   QStringLiteral("FILE")};
    QCommandLineOption jobs{QStringLiteral("jobs"), QStringLiteral("同时读取的文件数 / files read in parallel"),
                            QStringLiteral("N"), defaultJobs()};
    // Read by each command itself: what it prints differs.
    QCommandLineOption json{QStringLiteral("json"), QStringLiteral("输出 JSON / print JSON")};

    // The options and the PATH... arguments.
    void addTo(QCommandLineParser &parser) const;
    // The choice, or false with the usage error printed: no path, a path that
    // does not exist, --jobs not a positive number, a log format that cannot be used.
    bool choose(const QCommandLineParser &parser, Console &console, LogInputChoice &choice) const;
    // --jobs alone (a run that reads no logs still makes its figures side by
    // side), or false with the usage error printed.
    bool chooseJobs(const QCommandLineParser &parser, Console &console, int &jobs) const;

    // The format definitions in force (built-in, the user's formats.json, the
    // --formats-file given), or false with the usage error printed: a faulty
    // --formats-file. A faulty formats.json stays in the definitions'
    // `problems`, for the run's report.
    bool loadFormats(const QCommandLineParser &parser, Console &console,
                     std::shared_ptr<const LogFormats> &formats) const;

private:
    static QString defaultJobs();
};
