#include "crawl_log/crawl_run.h"

#include "common/ordered_parallel_map.h"
#include "common/run_output.h"
#include "common/stop_flag.h"
#include "common/utf8.h"

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Raw column values already seen in a file. Most requests repeat a page, and
// a value seen before is in the page sets already, so it costs one lookup
// instead of a decode and a case fold. Non-ASCII bytes decode by the
// encoding of their line, so each encoding has its own set.
class SeenValues
{
public:
    bool insert(QByteArrayView value, TextEncoding encoding)
    {
        auto &seen = seen_[std::size_t(encoding)];
        const std::string_view bytes(value.data(), std::size_t(value.size()));
        if (seen.find(bytes) != seen.end())
            return false;
        seen.emplace(bytes);
        return true;
    }

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::array<std::unordered_set<std::string, Hash, std::equal_to<>>, 3> seen_;
};

LogFileAnalysis unreadable(LogFileAnalysis analysis, const QString &reason)
{
    analysis.outcome = LogFileAnalysis::Outcome::Unreadable;
    analysis.errorText = reason;
    analysis.requests = 0;
    analysis.pages.clear();
    return analysis;
}

QString joinPath(const QString &folder, const QString &name)
{
    return folder + u'/' + name;
}

}  // namespace

LogFileAnalysis AnalyzeLogFile(const QString &fullPath, const QString &fileName, const CrawlerToken &token,
                               const StopFlag *stop, const ScanLimits &limits)
{
    LogFileAnalysis analysis;
    analysis.fileName = fileName;
    LogFile file;
    if (!file.open(fullPath))
        return unreadable(std::move(analysis), file.errorText());
    const FieldSearch field = FindFieldIndex(file, u"cs-uri-stem", limits);
    if (field.failed)
        return unreadable(std::move(analysis), field.errorText);
    if (field.fieldIndex <= 0)
        return analysis;
    if (!file.rewind())
        return unreadable(std::move(analysis), file.errorText());

    analysis.pages.insert(QString());  // element 0 of the hit list
    SeenValues seen;
    const HitScan scan = ScanHitLines(
        file, field.fieldIndex, token, stop,
        [&](QByteArrayView value, TextEncoding lineEncoding) {
            const TextEncoding encoding = Utf8::isAscii(value) ? TextEncoding::Ascii : lineEncoding;
            if (seen.insert(value, encoding))
                analysis.pages.insert(DecodeLogText(value, encoding));
        },
        limits);
    if (scan.failed)
        return unreadable(std::move(analysis), scan.errorText);
    analysis.outcome = LogFileAnalysis::Outcome::Analysed;
    analysis.requests = scan.hitLines;
    analysis.skippedLongLines = scan.skippedLongLines;
    return analysis;
}

QString FileReportText(const LogFileAnalysis &analysis)
{
    switch (analysis.outcome) {
    case LogFileAnalysis::Outcome::NoUriColumn:
        return {};
    case LogFileAnalysis::Outcome::Unreadable:
        return analysis.fileName + QStringLiteral(" - 无法读取：") + analysis.errorText + kCrLf;
    case LogFileAnalysis::Outcome::Analysed:
        break;
    }
    QString text = analysis.fileName + QStringLiteral(" - 搜索页面数：") + QString::number(analysis.requests)
        + QStringLiteral(" - 有效页面数：") + QString::number(analysis.validPages()) + kCrLf;
    if (analysis.skippedLongLines > 0)
        text += analysis.fileName + QStringLiteral(" - 跳过超长的行：") + QString::number(analysis.skippedLongLines)
            + QStringLiteral("（每行上限 16 MiB）") + kCrLf;
    return text;
}

bool CrawlRunSummary::anyUnreadable() const
{
    return std::any_of(files.begin(), files.end(), [](const CrawlFileSummary &file) {
        return file.outcome == LogFileAnalysis::Outcome::Unreadable;
    });
}

CrawlRunSummary RunCrawlAnalysis(const CrawlRunRequest &request, PageSet &runWidePages, RunOutput &output,
                                 StopFlag &stop)
{
    output.appendText(request.spiderName + QStringLiteral("对您的网站搜索情况分析结果：") + kCrLf);
    stop.clear();
    runWidePages.clear();
    const qsizetype fileCount = request.fileNames.size();
    output.setProgressValue(0);
    output.setProgressMaximum(int(fileCount + 1));

    const CrawlerToken token(request.token);
    auto analyze = [&](qsizetype index, const StopFlag &cancelled) {
        const QString &name = request.fileNames[index];
        return AnalyzeLogFile(joinPath(request.folder, name), name, token, &cancelled, request.limits);
    };
    // Several jobs read files ahead on worker threads; the results are taken
    // in file order, so the report is the same as with one job.
    std::unique_ptr<OrderedParallelMap<LogFileAnalysis>> ahead;
    if (request.jobs > 1 && fileCount > 1)
        ahead = std::make_unique<OrderedParallelMap<LogFileAnalysis>>(fileCount, request.jobs, analyze);

    CrawlRunSummary summary;
    for (qsizetype i = 0; i < fileCount; ++i) {
        output.setProgressValue(int(i));
        const LogFileAnalysis analysis = ahead ? ahead->take(i) : analyze(i, stop);
        // A stop seen by the reader itself may have cut this file short.
        const bool fileCutShort = !ahead && stop.isSet();
        for (const QString &page : analysis.pages.pages())
            runWidePages.insert(page);
        if (const QString text = FileReportText(analysis); !text.isEmpty())
            output.appendText(text);
        if (analysis.outcome != LogFileAnalysis::Outcome::NoUriColumn)
            summary.files.append({analysis.fileName, analysis.outcome, analysis.requests, analysis.validPages(),
                                  analysis.skippedLongLines, analysis.errorText});
        output.yield();
        if (stop.isSet()) {
            summary.stopped = fileCutShort || i + 1 < fileCount;
            break;
        }
    }
    ahead.reset();

    output.setProgressValue(0);
    summary.validPages = runWidePages.countWithoutEmptyPage();
    const QString count = QString::number(summary.validPages);
    output.appendText(QStringLiteral("全部有效页面数：") + count + kCrLf);
    output.appendText((summary.stopped ? QStringLiteral("分析已停止。") : QStringLiteral("分析完成。")) + kCrLf);
    summary.totalEntry = request.spiderName + QStringLiteral("搜索总有效页面数：") + count
        + (summary.stopped ? QStringLiteral("（未完成）") : QString());
    return summary;
}
