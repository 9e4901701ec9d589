#include "crawl_log/crawl_run.h"

#include "common/byte_search.h"
#include "common/cp936.h"
#include "common/ordered_parallel_map.h"
#include "common/run_output.h"
#include "common/stop_flag.h"
#include "common/utf8.h"
#include "logs/log_file_reader.h"
#include "logs/log_text.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Whether `at` begins a character whatever the line's encoding: the bytes
// back to the last one below 0x30 (a space, '+', '/', '(') are ASCII. Such a
// byte is a character of its own in UTF-8, code page 936 and GB18030 alike,
// whose longer characters have no byte below 0x30, so what follows it begins one.
bool BeginsCharacter(const char *lineStart, const char *at)
{
    for (const char *p = at; p > lineStart && uchar(p[-1]) >= 0x30; --p)
        if (uchar(p[-1]) >= 0x80)
            return false;
    return true;
}

// Finds the records of one file that hold the token and keeps their pages.
// The token is searched for in the whole block first, and only the lines it
// occurs in are parsed; the lines between go to the parser unread, so that a
// W3C file's "#Fields:" directives between hits still count.
class HitCollector
{
public:
    HitCollector(const CrawlerToken &token, LogFileAnalysis &analysis)
        : token_(token), needle_(token.asciiBytes(), true), analysis_(analysis)
    {
        if (!token.percentEncodedBytes().isEmpty())
            encodedNeedle_.emplace(token.percentEncodedBytes());
    }

    void scan(const char *begin, const char *end, RecordParser &parser)
    {
        if (token_.searchableInBytes())
            scanBytewise(begin, end, parser);
        else
            scanLineByLine(begin, end, parser);
        analysis_.pages.flush();
    }

private:
    // The token as written, and for a token with spaces in a log that
    // percent-encodes its user agents also as such a log writes it; each
    // form's next match is kept while the lines before it are taken.
    void scanBytewise(const char *begin, const char *end, RecordParser &parser)
    {
        const char *p = begin;
        bool encodedToo = false;
        if (encodedNeedle_) {
            // The block's leading W3C directives tell how the lines below write the agent.
            for (const char *next = p; p < end && IsW3cDirective(LineAt(p, end, &next)); p = next)
                parser.pass(p, next);
            encodedToo = parser.agentPercentEncoded();
        }
        const char *written = needle_.findIn(p, end);
        const char *encoded = encodedToo ? encodedNeedle_->findIn(p, end) : end;
        while (p < end) {
            if (written < p)
                written = needle_.findIn(p, end);
            if (encoded < p)
                encoded = encodedNeedle_->findIn(p, end);
            const char *match = std::min(written, encoded);
            if (match == end) {
                parser.pass(p, end);
                return;
            }
            const char *previousLineEnd = static_cast<const char *>(::memrchr(p, '\n', size_t(match - p)));
            const char *lineStart = previousLineEnd ? previousLineEnd + 1 : p;
            parser.pass(p, lineStart);
            const QByteArrayView line = LineAt(lineStart, end, &p);
            // In code page 936 an ASCII byte may be the second half of a
            // Chinese character; only the decoded line tells. Where the match
            // begins a character in any encoding, the line need not be
            // examined; nor need a line that is UTF-8 (not code page 936, see
            // DetectLineEncoding).
            auto begins = [&](const char *at) {
                return at < p && (BeginsCharacter(lineStart, at) || Utf8::isValid(line)
                                  || token_.occursIn(Cp936::decode(line)));
            };
            take(parser, line, begins(written) || begins(encoded));
        }
    }

    void scanLineByLine(const char *begin, const char *end, RecordParser &parser)
    {
        for (const char *p = begin; p < end;) {
            const QByteArrayView line = LineAt(p, end, &p);
            take(parser, line, token_.occursIn(DecodeLogLine(line)));
        }
    }

    void take(RecordParser &parser, QByteArrayView line, bool hit)
    {
        const LineKind kind = parser.parse(line, record_);
        if (!hit)
            return;
        CrawlFileSummary &summary = analysis_.summary;
        if (kind == LineKind::Bad)
            ++summary.skippedLines;
        if (kind != LineKind::Record)
            return;
        ++summary.requests;
        if (record_.hasPage)
            analysis_.pages.insertLoggedSoon(record_.page, record_.family != LogFamily::W3c);
    }

    const CrawlerToken &token_;
    CaselessNeedle needle_;
    std::optional<CaselessNeedle> encodedNeedle_;
    LogFileAnalysis &analysis_;
    LogRecord record_;
};

QString fileLine(const CrawlFileSummary &file, const QString &text)
{
    return file.fileName + QStringLiteral(" - ") + text + kCrLf;
}

}  // namespace

LogFileAnalysis AnalyzeLogFile(const LogInput &input, const CrawlerToken &token, const StopFlag *stop,
                               const LogReadOptions &options)
{
    LogFileAnalysis analysis;
    CrawlFileSummary &summary = analysis.summary;
    summary.fileName = input.displayPath;
    analysis.pages.insert(QString());  // the empty page comes first
    LogReadOptions pagesOnly = options;
    pagesOnly.w3cColumns = W3cColumns::PageOnly;  // a hit's page is all the report needs
    LogFileReader reader(input, pagesOnly);
    HitCollector hits(token, analysis);
    const char *begin = nullptr;
    const char *end = nullptr;
    while (reader.next(begin, end)) {
        hits.scan(begin, end, reader.parser());
        if (stop && stop->isSet())
            break;
    }
    const LogFileStats stats = reader.stats();
    summary.family = stats.family;
    summary.compression = stats.compression;
    summary.skippedLongLines = stats.skippedLongLines;
    summary.noPageColumn = stats.noPageColumn;
    summary.noAgentField = stats.noAgentField;
    summary.formatName = stats.formatName;
    summary.skipKind = stats.skipKind;
    summary.layoutIgnored = stats.layoutIgnored;
    if (!stats.skipReason.isEmpty() || (stats.failed() && !stats.opened)) {
        summary.outcome = stats.failed() ? CrawlFileSummary::Outcome::Unreadable : CrawlFileSummary::Outcome::Skipped;
        summary.reason = stats.failed() ? stats.errorText : stats.skipReason;
        summary.requests = 0;
        summary.skippedLines = 0;
        analysis.pages.clear();
    } else {
        summary.reason = stats.errorText;
    }
    summary.validPages = analysis.pages.countWithoutEmptyPage();
    return analysis;
}

QString FileReportText(const CrawlFileSummary &file)
{
    switch (file.outcome) {
    case CrawlFileSummary::Outcome::Skipped:
        return fileLine(file, QStringLiteral("已跳过：") + file.reason);
    case CrawlFileSummary::Outcome::Unreadable:
        return fileLine(file, QStringLiteral("无法读取：") + file.reason);
    case CrawlFileSummary::Outcome::Analysed:
        break;
    }
    QString text = fileLine(file, QStringLiteral("搜索页面数：") + QString::number(file.requests)
                                      + QStringLiteral(" - 有效页面数：") + QString::number(file.validPages));
    if (file.skippedLongLines > 0)
        text += fileLine(file, QStringLiteral("跳过超长的行：") + QString::number(file.skippedLongLines)
                                   + QStringLiteral("（每行上限 16 MiB）"));
    if (file.skippedLines > 0)
        text += fileLine(file, QStringLiteral("跳过无法识别的行：") + QString::number(file.skippedLines));
    if (file.noPageColumn)
        text += fileLine(file, QStringLiteral("没有 cs-uri-stem 列"));
    if (file.noAgentField)
        text += fileLine(file, QStringLiteral("没有 User-Agent 字段"));
    if (file.layoutIgnored)
        text += fileLine(file, LayoutIgnoredText());
    if (!file.reason.isEmpty())
        text += fileLine(file, file.reason);
    return text;
}

bool CrawlRunSummary::anyFailed() const
{
    return std::any_of(files.begin(), files.end(), [](const CrawlFileSummary &file) { return file.failed(); });
}

CrawlRunSummary RunCrawlAnalysis(const CrawlRunRequest &request, PageSet &runWidePages, RunOutput &output,
                                 StopFlag &stop)
{
    output.appendText(request.spiderName + QStringLiteral("对您的网站搜索情况分析结果：") + kCrLf);
    for (const QString &problem : request.problems)
        output.appendText(problem + kCrLf);
    stop.clear();
    runWidePages.clear();
    const qsizetype fileCount = request.inputs.size();
    output.setProgressValue(0);
    output.setProgressMaximum(int(fileCount + 1));

    const CrawlerToken token(request.token);
    auto analyze = [&](qsizetype index, const StopFlag &cancelled) {
        return AnalyzeLogFile(request.inputs[index], token, &cancelled, request.options);
    };
    // Several jobs read files ahead on worker threads; the results are taken
    // in file order, so the report is the same as with one job.
    std::unique_ptr<OrderedParallelMap<LogFileAnalysis>> ahead;
    if (request.jobs > 1 && fileCount > 1)
        ahead = std::make_unique<OrderedParallelMap<LogFileAnalysis>>(fileCount, request.jobs, analyze);

    CrawlRunSummary summary;
    for (qsizetype i = 0; i < fileCount; ++i) {
        output.setProgressValue(int(i));
        LogFileAnalysis analysis = ahead ? ahead->take(i) : analyze(i, stop);
        // A stop seen by the reader itself may have cut this file short.
        const bool fileCutShort = !ahead && stop.isSet();
        runWidePages.merge(std::move(analysis.pages));
        output.appendText(FileReportText(analysis.summary));
        summary.files.append(analysis.summary);
        output.yield();
        if (stop.isSet()) {
            summary.stopped = fileCutShort || i + 1 < fileCount;
            break;
        }
    }
    ahead.reset();

    output.setProgressValue(0);
    const bool allUnrecognised = std::all_of(summary.files.begin(), summary.files.end(), [](const CrawlFileSummary &file) {
        return file.skipKind == SkipKind::UnknownFormat;
    });
    if (allUnrecognised && !summary.files.isEmpty() && !summary.stopped)
        output.appendText(AllUnrecognisedText() + kCrLf);
    summary.validPages = runWidePages.countWithoutEmptyPage();
    const QString count = QString::number(summary.validPages);
    output.appendText(QStringLiteral("全部有效页面数：") + count + kCrLf);
    output.appendText((summary.stopped ? QStringLiteral("分析已停止。") : QStringLiteral("分析完成。")) + kCrLf);
    summary.totalEntry = request.spiderName + QStringLiteral("搜索总有效页面数：") + count
        + (summary.stopped ? QStringLiteral("（未完成）") : QString());
    return summary;
}
