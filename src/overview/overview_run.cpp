#include "overview/overview_run.h"

#include "common/ordered_parallel_map.h"
#include "common/stop_flag.h"
#include "logs/formats/log_formats.h"
#include "logs/log_input.h"
#include "logs/log_reader.h"
#include "overview/agent_classifier.h"
#include "overview/overview_accumulator.h"

#include <QFileInfo>

#include <algorithm>

namespace {

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
    entry.noAgentField = stats.noAgentField;
    entry.formatName = stats.formatName;
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
    return LogFormatProblem(request.logFormat, request.formats.get());
}

OverviewResult RunOverview(const OverviewRequest &request, const AgentCatalogue &catalogue, OverviewProgress *progress,
                           const StopFlag *stop)
{
    OverviewResult result;
    result.sources = request.paths;
    result.from = request.from;
    result.to = request.to;
    result.problems = catalogue.problems;
    if (request.formats)
        result.problems += request.formats->problems;
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
    options.w3cColumns = W3cColumns::Counted;
    options.formats = request.formats;
    options.forwardedClients = request.forwardedClients;
    auto readInput = [&](const LogInput &input, OverviewAccumulator &figures, const StopFlag &stopped) {
        RecordProgress counted(progress ? &progress->records : nullptr);
        return ReadLogRecords(
            input, options,
            [&](std::span<const LogRecord> records) {
                figures.add(records);
                counted.add(records.size());
            },
            &stopped, progress ? &progress->bytesRead : nullptr);
    };

    // Each job reads whole inputs into its own accumulator, taking the next
    // input not yet taken; the accumulators are merged once at the end.
    std::vector<LogFileStats> stats(std::size_t(scan.inputs.size()));
    std::vector<char> taken(std::size_t(scan.inputs.size()));  // read, to its end or to the stop
    std::atomic<qsizetype> nextInput{0};
    auto runJob = [&](qsizetype, const StopFlag &cancelled) {
        auto figures = std::make_unique<OverviewAccumulator>(classifier, fromDay, toDay, request.clientRequests,
                                                             request.targets);
        const StopFlag &stopped = stop ? *stop : cancelled;
        for (qsizetype index = nextInput++; index < scan.inputs.size() && !stopped.isSet(); index = nextInput++) {
            const LogInput &input = scan.inputs[index];
            if (!input.skipReason.isEmpty())
                continue;
            figures->beginInput(index);
            stats[std::size_t(index)] = readInput(input, *figures, stopped);
            taken[std::size_t(index)] = 1;
            if (stats[std::size_t(index)].stopped)
                break;
        }
        return figures;
    };
    const int jobCount = int(std::clamp<qsizetype>(request.jobs, 1, std::max<qsizetype>(scan.inputs.size(), 1)));
    std::vector<std::unique_ptr<OverviewAccumulator>> jobs;
    {
        OrderedParallelMap<std::unique_ptr<OverviewAccumulator>> running(jobCount, jobCount, runJob);
        for (int job = 0; job < jobCount; ++job)
            jobs.push_back(running.take(job));
    }
    // A stopped run lists its inputs up to the first one not read to its end
    // (that one included when it was begun). Another job may have read a
    // later input whole meanwhile: its figures are in the partial result.
    for (qsizetype index = 0; index < scan.inputs.size(); ++index) {
        const LogFileStats &input = stats[std::size_t(index)];
        const bool skipped = !scan.inputs[index].skipReason.isEmpty();
        if (!skipped && !taken[std::size_t(index)]) {
            result.stopped = true;
            break;
        }
        result.inputs.append(InputOf(scan.inputs[index], input));
        result.records += input.records;
        result.badLines += input.badLines;
        if (input.stopped) {
            result.stopped = true;
            break;
        }
    }
    // A stop asked for is never passed off as the whole, even when every input was read.
    result.stopped = result.stopped || (stop && stop->isSet());
    std::unique_ptr<OverviewAccumulator> run;
    if (jobs.size() == 1) {
        run = std::move(jobs.front());
    } else {
        run = std::make_unique<OverviewAccumulator>(classifier, fromDay, toDay, request.clientRequests, request.targets);
        run->mergeJobs(jobs);
    }
    jobs.clear();  // before the result takes its room
    run->fillResult(result, jobCount);
    const bool allUnrecognised = std::all_of(result.inputs.begin(), result.inputs.end(), [](const OverviewInput &input) {
        return input.skipKind == SkipKind::UnknownFormat;
    });
    if (allUnrecognised && !result.inputs.isEmpty() && !result.stopped)
        result.problems.append(AllUnrecognisedText());
    return result;
}
