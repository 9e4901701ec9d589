#include "cli/overview_command.h"

#include "cli/cli_support.h"
#include "cli/log_command_line.h"
#include "cli/log_format_options.h"
#include "cli/site_options.h"
#include "cli/store_commands.h"
#include "cli/verify_command.h"
#include "common/stop_flag.h"
#include "logs/log_reader.h"
#include "overview/overview_csv.h"
#include "overview/overview_format.h"
#include "overview/overview_html.h"
#include "overview/overview_json.h"
#include "overview/overview_run.h"
#include "overview/overview_text.h"
#include "overview/site_tables.h"
#include "store/store_overview.h"
#include "verification/cares_resolver.h"
#include "verification/catalogue_rules.h"
#include "verification/overview_verification.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QTimer>

namespace {

// A date option's value: invalid when not given; nothing when malformed.
std::optional<QDate> DateOption(const QCommandLineParser &parser, const QCommandLineOption &option)
{
    if (!parser.isSet(option))
        return QDate();
    const QDate date = QDate::fromString(parser.value(option), QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid())
        return std::nullopt;
    return date;
}

// What the file outputs do not show: said on standard error.
void ReportNotes(const OverviewResult &result, Console &console)
{
    QStringList notes = RunNotes(result);
    if (const QString headline = VerificationHeadline(result); !headline.isEmpty())
        notes.prepend(headline);
    for (const QString &note : std::as_const(notes))
        console.err(note + u'\n');
}

// The crawler check of the overview, its progress said on standard error
// every second. Ctrl+C stops the check, not the program: the overview is
// kept and the check marked stopped.
void VerifyWithProgress(OverviewResult &result, const VerificationRules &rules, CaresResolver &resolver,
                        VerificationOptions options, Console &console)
{
    StopFlag stop;
    options.stop = &stop;
    int done = 0;
    int total = 0;
    options.progress = [&](int settled, int of) {
        done = settled;
        total = of;
    };
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &tick, [&] {
        if (total > 0)
            console.err(QStringLiteral("验证：%1 / %2 个地址\n").arg(CountText(done), CountText(total)));
    });
    tick.start(1000);
    const InterruptStopsRun interrupt(stop);
    VerifyOverview(result, rules, resolver, options);
}

}  // namespace

int RunOverviewCommand(const QStringList &arguments, Console &console)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "一次读完日志，列出每个蜘蛛（及脚本、访客）的请求、页面、状态码、流量与每日走势。\n"
        "Reads the logs once and gives every crawler's requests, pages, status codes, traffic and days."));
    parser.addHelpOption();
    const QCommandLineOption fromOption(QStringLiteral("from"), QStringLiteral("起始日期（含） / first day"),
                                        QStringLiteral("YYYY-MM-DD"));
    const QCommandLineOption toOption(QStringLiteral("to"), QStringLiteral("结束日期（含） / last day"),
                                      QStringLiteral("YYYY-MM-DD"));
    const QCommandLineOption csvOption(QStringLiteral("csv"),
                                       QStringLiteral("写 agents.csv、days.csv、pages.csv（--verify 另写 fake_clients.csv）到文件夹 / write CSV files"),
                                       QStringLiteral("DIR"));
    const QCommandLineOption htmlOption(QStringLiteral("html"),
                                        QStringLiteral("写一个独立的 HTML 报告 / write an HTML report"),
                                        QStringLiteral("FILE"));
    const LogCommandLine logs;
    logs.addTo(parser);
    parser.addOptions({fromOption, toOption, csvOption, htmlOption});
    const QCommandLineOption verifyOption(QStringLiteral("verify"),
                                          QStringLiteral("验证蜘蛛的真伪（反向域名、地址列表） / check crawlers are genuine"));
    parser.addOption(verifyOption);
    const ClientOptions clients;
    clients.addTo(parser);
    const DnsCommandLine dns;
    dns.addTo(parser);
    const SiteCommandLine site;
    site.addTo(parser);
    const StoreCommandLine storeOptions;  // the figures from a store instead of logs
    storeOptions.addTo(parser);

    int status = ExitOk;
    if (!ParseCommandLine(parser, arguments, console, status))
        return status;
    auto usage = [&console](const QString &message) { return UsageError(console, message); };

    if (int(parser.isSet(logs.json)) + int(parser.isSet(csvOption)) + int(parser.isSet(htmlOption)) > 1)
        return usage(QStringLiteral("--json、--csv、--html 只能选一个 / give at most one of --json, --csv, --html"));
    const std::optional<QDate> from = DateOption(parser, fromOption);
    const std::optional<QDate> to = DateOption(parser, toOption);
    if (!from || !to)
        return usage(QStringLiteral("日期须为 YYYY-MM-DD / dates are YYYY-MM-DD"));
    const bool fromStore = storeOptions.isSet(parser);
    LogInputChoice logChoice;
    if (fromStore) {
        if (storeOptions.path(parser).isEmpty())
            return usage(QStringLiteral("--store 和 --site 只能给一个 / give one of --store, --site"));
        if (!parser.positionalArguments().isEmpty())
            return usage(QStringLiteral("有 --store 时不读日志 / with --store, give no logs"));
        logChoice.paths = {storeOptions.path(parser)};  // passes the request's check below; never read as a log
        if (!logs.chooseJobs(parser, console, logChoice.jobs))
            return ExitUsage;
    } else if (!logs.choose(parser, console, logChoice)) {
        return ExitUsage;
    }
    OverviewRequest request;
    request.paths = logChoice.paths;
    request.recursive = logChoice.recursive;
    request.logFormat = logChoice.logFormat;
    request.jobs = logChoice.jobs;
    request.formats = logChoice.formats;
    LogReadOptions reading;
    if (!clients.applyTo(parser, reading, console, status))
        return status;
    request.forwardedClients = reading.forwardedClients;
    request.from = *from;
    request.to = *to;
    if (const QString problem = OverviewRequestProblem(request); !problem.isEmpty())
        return usage(problem);
    request.clientRequests = parser.isSet(verifyOption);
    if (!request.clientRequests && (parser.isSet(dns.dnsServer) || parser.isSet(dns.noCache)))
        return usage(QStringLiteral("--dns-server 和 --no-cache 需要 --verify / need --verify"));
    QString siteProblem;
    const std::optional<SiteRequest> siteRequest = site.read(parser, siteProblem);
    if (!siteRequest)
        return usage(siteProblem);
    request.targets = siteRequest->any();
    if (fromStore && siteRequest->any())
        return usage(QStringLiteral("--sitemap、--robots 要读日志里的网址（含参数），存储里没有 / need the logs, not a store"));
    std::unique_ptr<CaresResolver> resolver;
    if (request.clientRequests && !(resolver = dns.makeResolver(parser, console, status)))
        return status;

    const AgentCatalogue catalogue = LoadAgentCatalogue();
    StopFlag stop;
    std::optional<SiteFilesReader> siteFiles;  // read, and fetched, while the logs are
    if (siteRequest->any())
        siteFiles.emplace(*siteRequest, &stop);
    OverviewResult result;
    {
        const InterruptStopsRun interrupt(stop);
        if (!fromStore)
            result = RunOverview(request, catalogue, nullptr, &stop);
    }
    if (fromStore) {
        QString problem;
        std::optional<OverviewResult> stored =
            OverviewFromStore({storeOptions.path(parser), request.from, request.to, request.clientRequests, false, request.jobs},
                              catalogue, &problem);
        if (!stored) {
            console.err(problem + u'\n');
            return ExitRunFailed;
        }
        result = std::move(*stored);
    }
    if (resolver && !result.stopped) {
        VerificationOptions options;
        dns.applyTo(parser, options);
        VerifyWithProgress(result, VerificationRulesOf(catalogue), *resolver, options, console);
    }
    if (siteFiles && !result.stopped) {
        const InterruptStopsRun interrupt(stop);
        AddSiteFigures(result, siteFiles->take(), *siteRequest, catalogue, request.jobs);
    }
    QString saveProblem;
    if (parser.isSet(logs.json)) {
        console.out(QString::fromUtf8(OverviewJsonText(result)));
    } else if (parser.isSet(csvOption)) {
        ReportNotes(result, console);
        saveProblem = WriteOverviewCsv(result, parser.value(csvOption));
    } else if (parser.isSet(htmlOption)) {
        ReportNotes(result, console);
        saveProblem = WriteOverviewHtml(result, parser.value(htmlOption));
    } else {
        console.out(OverviewTextTable(result));
    }
    if (!saveProblem.isEmpty())
        console.err(saveProblem + u'\n');
    if (result.stopped || (result.verification && result.verification->stopped))
        return ExitStopped;
    if (!console.outOk() || !saveProblem.isEmpty() || result.anyFailed())
        return ExitRunFailed;
    return ExitOk;
}
