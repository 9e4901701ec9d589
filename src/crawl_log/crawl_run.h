#pragma once

#include "crawl_log/crawler_token.h"
#include "crawl_log/page_set.h"
#include "logs/log_input.h"
#include "logs/log_reader.h"

#include <QList>
#include <QString>
#include <QStringList>

class RunOutput;
class StopFlag;

// What the report says of one log file.
struct CrawlFileSummary
{
    enum class Outcome {
        Analysed,    // the file's line goes into the report, also when a fault cut the read short
        Skipped,     // not read, for `reason`: no log, a link without target
        Unreadable,  // could not be opened or read at all, for `reason`
    };

    QString fileName;             // as the report names it
    Outcome outcome = Outcome::Analysed;
    LogFamily family = LogFamily::W3c;
    Compression compression = Compression::None;
    qint64 requests = 0;          // 搜索页面数: every record holding the token
    qsizetype validPages = 0;     // the file's distinct pages
    qint64 skippedLongLines = 0;
    qint64 skippedLines = 0;      // lines holding the token that are no record of the file's format
    bool noPageColumn = false;    // a W3C file that never names cs-uri-stem
    SkipKind skipKind = SkipKind::None;  // why Skipped, for reports that put like files together
    bool layoutIgnored = false;   // read by detection: the format string read nothing of it
    QString reason;               // why skipped or unreadable; for an analysed file the fault that
                                  // ended the read early ("文件已损坏（第 N 字节）")

    bool failed() const
    {
        return outcome == Outcome::Unreadable || (outcome == Outcome::Analysed && !reason.isEmpty());
    }
};

struct LogFileAnalysis
{
    CrawlFileSummary summary;
    PageSet pages;  // the file's distinct pages, the empty page first; empty when not analysed
};

// Reads one log once: the records holding the token and their distinct
// pages. Only lines holding the token are parsed; memory holds the distinct
// pages, not the file and not every hit.
LogFileAnalysis AnalyzeLogFile(const LogInput &input, const CrawlerToken &token, const StopFlag *stop,
                               const LogReadOptions &options = {});

// The lines the result text gets for a file.
QString FileReportText(const CrawlFileSummary &file);

struct CrawlRunRequest
{
    QList<LogInput> inputs;  // in the order of the file list
    QStringList problems;    // what the folder scan could not take, reported under the header
    QString token;
    QString spiderName;
    int jobs = 1;            // files analysed side by side; the output does not depend on it
    LogReadOptions options;
};

struct CrawlRunSummary
{
    QList<CrawlFileSummary> files;  // one per file, in order
    qsizetype validPages = 0;       // 全部有效页面数
    bool stopped = false;           // a stop left files unread: the totals are partial
    QString totalEntry;             // the line for the list of run totals, marked when partial
    bool anyFailed() const;         // a log could not be read to its end
};

// Analyses the files in order, writes the report through `output`, fills
// `runWidePages` (emptied first) and yields after every file. The stop flag is
// cleared at the start and read after every file: a stopped run reports its
// totals over the files read so far and ends with "分析已停止。" instead of
// "分析完成。".
CrawlRunSummary RunCrawlAnalysis(const CrawlRunRequest &request, PageSet &runWidePages, RunOutput &output,
                                 StopFlag &stop);
