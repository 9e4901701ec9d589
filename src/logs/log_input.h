#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// One log a run reads, as the folder scan or the command line names it.
struct LogInput
{
    QString path;         // what to open; "-" is standard input
    QString displayPath;  // as reports name it: relative to the folder given (sub-folders included),
                          // a file argument as given, "-" for standard input
    QString skipReason;   // non-empty: not read, e.g. "链接目标不存在"; the input still shows in reports
};

struct LogInputScan
{
    QList<LogInput> inputs;  // in natural name order per argument, arguments in the order given
    QStringList problems;    // report lines for what is no input at all: a folder reached twice (link
                             // loop), an unreadable sub-folder, a path that does not exist
};

// Folders are scanned for log files by name (and sub-folders when `recursive`), files are taken as given.
// When folders were given and none holds a log, the problems say so (and, without `recursive`, where
// IIS keeps its logs).
LogInputScan CollectLogInputs(const QStringList &paths, bool recursive);

// What a report says when the folders given hold no log.
QString NoLogFilesText(bool recursive);

// Whether a folder's file counts as a log by its name: after one ".gz", ".zst", ".bz2" or ".xz" is
// removed, it ends in ".log", or is NAME.log.N, NAME.log-YYYYMMDD[HH], NAME_log or NAME_log.N
// (letter case ignored).
bool IsLogFileName(QStringView name);

// Natural name order: letter case ignored, every run of digits compared as a number
// ("access.log.2" before "access.log.10", "iis6.log" before "iis10.log"); ties by the exact text.
bool NaturalNameLess(QStringView a, QStringView b);
