#include "cli/store_commands.h"

#include "cli/cli_support.h"
#include "cli/log_command_line.h"
#include "common/stop_flag.h"
#include "store/site_store.h"
#include "store/store_import.h"
#include "store/trend.h"
#include "store/trend_table.h"

#include <QCommandLineParser>

void StoreCommandLine::addTo(QCommandLineParser &parser) const { parser.addOptions({store, site}); }

bool StoreCommandLine::isSet(const QCommandLineParser &parser) const
{
    return parser.isSet(store) || parser.isSet(site);
}

QString StoreCommandLine::path(const QCommandLineParser &parser) const
{
    if (parser.isSet(store) == parser.isSet(site))
        return {};
    return parser.isSet(store) ? parser.value(store) : DefaultStorePath(parser.value(site));
}

namespace {

const QString kStoreNeeded = QStringLiteral("请用 --store FILE 或 --site NAME 指定一个存储 / give one of --store, --site");

}  // namespace

int RunImportCommand(const QStringList &arguments, Console &console)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "把日志里新的内容导入站点存储：按内容辨认，轮转、压缩、改名都不会重复计数。\n"
        "Imports what is new in the logs into the site's store; content is known by itself, so rotation never "
        "counts a line twice."));
    parser.addHelpOption();
    const StoreCommandLine storeOptions;
    storeOptions.addTo(parser);
    const LogCommandLine logs;
    logs.addTo(parser);
    const QCommandLineOption keepOption(QStringLiteral("keep-days"),
                                        QStringLiteral("删去比最新一天早 N 天以上的数据 / drop days more than N days before the newest"),
                                        QStringLiteral("N"));
    parser.addOption(keepOption);
    int status = ExitOk;
    if (!ParseCommandLine(parser, arguments, console, status))
        return status;

    ImportRequest request;
    request.storePath = storeOptions.path(parser);
    if (request.storePath.isEmpty())
        return UsageError(console, kStoreNeeded);
    if (parser.isSet(logs.json))
        return UsageError(console, QStringLiteral("import 没有 JSON 输出 / import prints no JSON"));
    LogInputChoice logChoice;
    if (!logs.choose(parser, console, logChoice))
        return ExitUsage;
    request.paths = logChoice.paths;
    request.recursive = logChoice.recursive;
    request.logFormat = logChoice.logFormat;
    request.jobs = logChoice.jobs;
    bool ok = true;
    if (parser.isSet(keepOption) && ((request.keepDays = parser.value(keepOption).toInt(&ok)) < 1 || !ok))
        return UsageError(console, QStringLiteral("--keep-days 须为正整数"));
    if (const QString problem = ImportRequestProblem(request); !problem.isEmpty())
        return UsageError(console, problem);

    StopFlag stop;
    ImportResult result;
    {
        const InterruptStopsRun interrupt(stop);
        result = RunImport(request, LoadAgentCatalogue(), nullptr, &stop);
    }
    for (const QString &problem : result.problems)
        console.err(problem + u'\n');
    for (const ImportedInput &input : result.inputs)
        console.out(ImportedInputLine(input) + u'\n');
    if (!result.storeProblem.isEmpty())
        console.err(result.storeProblem + u'\n');
    if (result.storeProblem.isEmpty() || !result.inputs.isEmpty())
        console.out(ImportSummaryLine(result) + u'\n');
    if (result.stopped)
        return ExitStopped;
    return result.failed() || !console.outOk() ? ExitRunFailed : ExitOk;
}

int RunTrendCommand(const QStringList &arguments, Console &console)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "站点存储里每个蜘蛛每天、每周或每月的请求、页面、错误与流量，及与上一期相比的变化。\n"
        "Per day, week or month and agent: requests, pages, errors and bytes from the store, with the change "
        "against the period before."));
    parser.addHelpOption();
    const StoreCommandLine storeOptions;
    storeOptions.addTo(parser);
    const QCommandLineOption agentOption(QStringLiteral("agent"),
                                         QStringLiteral("只看这个蜘蛛（可多次给出） / this agent only (repeatable)"),
                                         QStringLiteral("ID"));
    const QCommandLineOption byOption(QStringLiteral("by"), QStringLiteral("day、week 或 month / period"),
                                      QStringLiteral("PERIOD"), QStringLiteral("week"));
    const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("输出 JSON / print JSON"));
    const QCommandLineOption csvOption(QStringLiteral("csv"), QStringLiteral("输出 CSV / print CSV"));
    parser.addOptions({agentOption, byOption, jsonOption, csvOption});
    int status = ExitOk;
    if (!ParseCommandLine(parser, arguments, console, status))
        return status;

    TrendRequest request;
    request.storePath = storeOptions.path(parser);
    if (request.storePath.isEmpty())
        return UsageError(console, kStoreNeeded);
    if (!parser.positionalArguments().isEmpty())
        return UsageError(console, QStringLiteral("trend 不读日志，只读存储 / trend reads the store, not logs"));
    const std::optional<TrendPeriod> by = TrendPeriodFromKey(parser.value(byOption));
    if (!by)
        return UsageError(console, QStringLiteral("--by 须为 day、week 或 month"));
    if (parser.isSet(jsonOption) && parser.isSet(csvOption))
        return UsageError(console, QStringLiteral("--json、--csv 只能选一个 / give at most one of --json, --csv"));
    request.by = *by;
    request.agents = parser.values(agentOption);

    QString problem;
    const std::optional<TrendResult> result = TrendFromStore(request, LoadAgentCatalogue(), &problem);
    if (!result) {
        console.err(problem + u'\n');
        return ExitRunFailed;
    }
    if (parser.isSet(jsonOption))
        console.out(QString::fromUtf8(TrendJson(*result)));
    else
        console.out(parser.isSet(csvOption) ? TrendCsv(*result) : TrendText(*result));
    return console.outOk() ? ExitOk : ExitRunFailed;
}
