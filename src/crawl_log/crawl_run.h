#pragma once

#include "crawl_log/log_scanner.h"
#include "crawl_log/page_set.h"

#include <QList>
#include <QString>
#include <QStringList>

class RunOutput;
class StopFlag;

// What one log file gave.
struct LogFileAnalysis
{
    enum class Outcome {
        Analysed,     // the file's line goes into the report
        NoUriColumn,  // no "cs-uri-stem" in the first "#Fields:" directive: passed over
        Unreadable,   // could not be opened or read: reported with the reason
    };

    QString fileName;
    Outcome outcome = Outcome::NoUriColumn;
    qint64 requests = 0;        // 搜索页面数: every line holding the token
    PageSet pages;              // the file's distinct pages, the empty page first
    qint64 skippedLongLines = 0;
    QString errorText;

    qsizetype validPages() const { return pages.countWithoutEmptyPage(); }
};

// Reads one log: the "cs-uri-stem" column of the first "#Fields:" directive,
// then the requests holding the token and their distinct pages. Memory holds
// the distinct pages, not the file and not every hit.
LogFileAnalysis AnalyzeLogFile(const QString &fullPath, const QString &fileName, const CrawlerToken &token,
                               const StopFlag *stop, const ScanLimits &limits = {});

// The lines the result text gets for a file; empty for a file passed over.
QString FileReportText(const LogFileAnalysis &analysis);

struct CrawlRunRequest
{
    QString folder;
    QStringList fileNames;  // in the order of the file list
    QString token;
    QString spiderName;
    int jobs = 1;           // files analysed side by side; the output does not depend on it
    ScanLimits limits;
};

struct CrawlFileSummary
{
    QString fileName;
    LogFileAnalysis::Outcome outcome;
    qint64 requests;
    qsizetype validPages;
    qint64 skippedLongLines;
    QString errorText;
};

struct CrawlRunSummary
{
    QList<CrawlFileSummary> files;  // one per file read, in order
    qsizetype validPages = 0;       // 全部有效页面数
    bool stopped = false;           // a stop left files unread: the totals are partial
    QString totalEntry;             // the line for the list of run totals, marked when partial
    bool anyUnreadable() const;
};

// Analyses the files in order, writes the report through `output`, fills
// `runWidePages` (emptied first) and yields after every file. The stop flag is
// cleared at the start and read after every file: a stopped run reports its
// totals over the files read so far and ends with "分析已停止。" instead of
// "分析完成。".
CrawlRunSummary RunCrawlAnalysis(const CrawlRunRequest &request, PageSet &runWidePages, RunOutput &output,
                                 StopFlag &stop);
