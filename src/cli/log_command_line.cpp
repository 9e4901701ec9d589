#include "cli/log_command_line.h"

#include "cli/cli_support.h"
#include "logs/log_reader.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QThread>

QString LogCommandLine::defaultJobs() { return QString::number(QThread::idealThreadCount()); }

void LogCommandLine::addTo(QCommandLineParser &parser) const
{
    parser.addOptions({recursive, logFormat, jobs, json});
    parser.addPositionalArgument(QStringLiteral("PATH"),
                                 QStringLiteral("日志文件夹或文件，- 为标准输入 / log folder or file, - for standard input"),
                                 QStringLiteral("PATH..."));
}

bool LogCommandLine::choose(const QCommandLineParser &parser, Console &console, LogInputChoice &choice) const
{
    auto refuse = [&console](const QString &message) {
        UsageError(console, message);
        return false;
    };
    choice.paths = parser.positionalArguments();
    if (choice.paths.isEmpty())
        return refuse(QStringLiteral("请给出日志文件夹或文件 / give a log folder or file"));
    for (const QString &path : std::as_const(choice.paths))
        if (path != QLatin1String("-") && !QFileInfo(path).isSymLink() && !QFileInfo::exists(path))
            return refuse(QStringLiteral("该目录不存在！") + u' ' + path);
    bool jobsOk = false;
    choice.jobs = parser.value(jobs).toInt(&jobsOk);
    if (!jobsOk || choice.jobs < 1)
        return refuse(QStringLiteral("--jobs 须为正整数 / --jobs takes a positive number"));
    choice.recursive = parser.isSet(recursive);
    choice.logFormat = parser.value(logFormat);
    if (const QString problem = LogFormatProblem(choice.logFormat); !problem.isEmpty())
        return refuse(problem);
    return true;
}
