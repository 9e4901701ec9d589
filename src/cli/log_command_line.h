#pragma once

#include <QCommandLineOption>
#include <QString>
#include <QStringList>

class Console;
class QCommandLineParser;

// What the commands that read logs (`crawl`, `overview`, and any later one
// that reads the same inputs) take alike: the paths, sub-folders, the log
// format, the number of files read side by side, JSON output.
struct LogInputChoice
{
    QStringList paths;
    bool recursive = false;
    QString logFormat;
    int jobs = 1;
};

// The option group of those commands, declared once: add it to a parser,
// then take the choice (checked) from the parsed arguments.
struct LogCommandLine
{
    QCommandLineOption recursive{QStringLiteral("recursive"), QStringLiteral("包含子目录 / scan sub-folders too")};
    QCommandLineOption logFormat{
        QStringLiteral("log-format"),
        QStringLiteral("非 W3C 日志的格式：combined、common、nginx log_format 或 Apache LogFormat 字符串 / "
                       "layout of the logs that are not W3C"),
        QStringLiteral("FORMAT")};
    QCommandLineOption jobs{QStringLiteral("jobs"), QStringLiteral("同时读取的文件数 / files read in parallel"),
                            QStringLiteral("N"), defaultJobs()};
    // Read by each command itself: what it prints differs.
    QCommandLineOption json{QStringLiteral("json"), QStringLiteral("输出 JSON / print JSON")};

    // The options and the PATH... arguments.
    void addTo(QCommandLineParser &parser) const;
    // The choice, or false with the usage error printed: no path, a path that
    // does not exist, --jobs not a positive number, a log format that cannot be used.
    bool choose(const QCommandLineParser &parser, Console &console, LogInputChoice &choice) const;

private:
    static QString defaultJobs();
};
