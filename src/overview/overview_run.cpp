#include "overview/overview_run.h"

#include "common/ordered_parallel_map.h"
#include "common/stop_flag.h"
#include "logs/log_input.h"
#include "logs/log_reader.h"
#include "overview/agent_classifier.h"
#include "overview/overview_accumulator.h"

#include <QFileInfo>

#include <algorithm>

namespace {

// Records between two updates of the shared progress count.
constexpr qint64 kProgressEvery = 1 << 16;

qint32 DayNumber(QDate date) { return date.isValid() ? date.year() * 10000 + date.month() * 100 + date.day() : 0; }

struct InputOutcome
{
    LogFileStats stats;
    std::unique_ptr<OverviewAccumulator> figures;
};

OverviewInput InputOf(const LogInput &input, const LogFileStats &stats)
{
    OverviewInput entry;
    entry.path = input.displayPath;
    entry.family = stats.family;
    entry.compression = stats.compression;
    entry.records = stats.records;
    entry.badLines = stats.badLines;
    entry.skippedLongLines = stats.skippedLongLines;
    entry.noPageColumn = stats.noPageColumn;
    entry.bytesLogged = stats.bytesLogged;
    entry.skipReason = input.skipReason.isEmpty() ? stats.skipReason : input.skipReason;
    entry.skipKind = input.skipReason.isEmpty() ? stats.skipKind : SkipKind::Other;
    entry.layoutIgnored = stats.layoutIgnored;
    entry.errorText = stats.errorText;
    return entry;
}

}  // namespace

QString OverviewRequestProblem(const OverviewRequest &request)
{
    if (request.paths.isEmpty())
        return QStringLiteral("请给出日志文件或文件夹");
    if (request.jobs < 1)
        return QStringLiteral("--jobs 须为正整数");
    if (request.from.isValid() && request.to.isValid() && request.from > request.to)
        return QStringLiteral("开始日期晚于结束日期");
    return LogFormatProblem(request.logFormat);
}

OverviewResult RunOverview(const OverviewRequest &request, const AgentCatalogue &catalogue, OverviewProgress *progress,
                           const StopFlag *stop)
{
    OverviewResult result;
    result.sources = request.paths;
    result.from = request.from;
    result.to = request.to;
    result.problems = catalogue.problems;
    const LogInputScan scan = CollectLogInputs(request.paths, request.recursive);
    result.problems += scan.problems;
    if (progress) {
        qint64 total = 0;
        for (const LogInput &input : scan.inputs)
            if (input.skipReason.isEmpty() && input.path != QLatin1String("-"))
                total += QFileInfo(input.path).size();
        progress->totalBytes = total;
    }

    const AgentClassifier classifier(catalogue);
    const qint32 fromDay = DayNumber(request.from);
    const qint32 toDay = DayNumber(request.to);
    LogReadOptions options;
    options.logFormat = request.logFormat;
    options.w3cColumnsCounted = true;
    auto readInput = [&](qsizetype index, const StopFlag &cancelled) {
        const LogInput &input = scan.inputs[index];
        InputOutcome outcome{{}, std::make_unique<OverviewAccumulator>(classifier, fromDay, toDay, request.clientRequests, request.targets)};
        if (!input.skipReason.isEmpty())
            return outcome;
        OverviewAccumulator &figures = *outcome.figures;
        qint64 unreported = 0;
        outcome.stats = ReadLogRecords(
            input, options,
            [&](const LogRecord &record) {
                figures.add(record);
                if (progress && ++unreported == kProgressEvery) {
                    progress->records += unreported;
                    unreported = 0;
                }
            },
            stop ? stop : &cancelled, progress ? &progress->bytesRead : nullptr);
        if (progress)
            progress->records += unreported;
        return outcome;
    };

    OverviewAccumulator run(classifier, fromDay, toDay, request.clientRequests, request.targets);
    OrderedParallelMap<InputOutcome> reads(scan.inputs.size(), request.jobs, readInput);
    for (qsizetype index = 0; index < scan.inputs.size(); ++index) {
        const InputOutcome outcome = reads.take(index);
        result.inputs.append(InputOf(scan.inputs[index], outcome.stats));
        result.records += outcome.stats.records;
        result.badLines += outcome.stats.badLines;
        run.merge(*outcome.figures);
        if (outcome.stats.stopped || (stop && stop->isSet())) {
            result.stopped = true;
            break;
        }
    }
    run.fillResult(result);
    const bool allUnrecognised = std::all_of(result.inputs.begin(), result.inputs.end(), [](const OverviewInput &input) {
        return input.skipKind == SkipKind::UnknownFormat;
    });
    if (allUnrecognised && !result.inputs.isEmpty() && !result.stopped)
        result.problems.append(AllUnrecognisedText());
    return result;
}
