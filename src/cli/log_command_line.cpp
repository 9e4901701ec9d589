#include "cli/log_command_line.h"

#include "cli/cli_support.h"
#include "logs/formats/log_formats.h"
#include "logs/log_reader.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QThread>

QString LogCommandLine::defaultJobs() { return QString::number(QThread::idealThreadCount()); }

void LogCommandLine::addTo(QCommandLineParser &parser) const
{
    parser.addOptions({recursive, logFormat, formatsFile, jobs, json});
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
    if (!chooseJobs(parser, console, choice.jobs))
        return false;
    choice.recursive = parser.isSet(recursive);
    choice.logFormat = parser.value(logFormat);
    if (!loadFormats(parser, console, choice.formats))
        return false;
    if (const QString problem = LogFormatProblem(choice.logFormat, choice.formats.get()); !problem.isEmpty())
        return refuse(problem);
    return true;
}

bool LogCommandLine::chooseJobs(const QCommandLineParser &parser, Console &console, int &chosen) const
{
    bool jobsOk = false;
    chosen = parser.value(jobs).toInt(&jobsOk);
    if (jobsOk && chosen >= 1)
        return true;
    UsageError(console, QStringLiteral("--jobs 须为正整数 / --jobs takes a positive number"));
    return false;
}

bool LogCommandLine::loadFormats(const QCommandLineParser &parser, Console &console,
                                 std::shared_ptr<const LogFormats> &formats) const
{
    QString fault;
    formats = LoadLogFormats(UserFormatFilePath(), parser.value(formatsFile), &fault);
    if (!formats)
        UsageError(console, fault);
    return formats != nullptr;
}
