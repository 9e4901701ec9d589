#include "cli/rank_command.h"

#include "cli/cli_support.h"
#include "cli/services_command.h"
#include "indexing/net/http_page_fetcher.h"
#include "ranking/keyword_file.h"
#include "ranking/rank_table.h"
#include "store/rank_history.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>

namespace {

// The engines of --services in its order, or every one in force.
bool chooseEngines(const QCommandLineParser &parser, const QCommandLineOption &option,
                   const QList<SerpService> &inForce, QList<SerpService> &chosen, QString &fault)
{
    if (!parser.isSet(option)) {
        chosen = inForce;
        return true;
    }
    for (const QString &key : parser.value(option).split(u',', Qt::SkipEmptyParts)) {
        const SerpService *engine = FindSerpService(key.trimmed(), inForce);
        if (!engine) {
            fault = QStringLiteral("未知的搜索引擎（serp 定义）：") + key;
            return false;
        }
        if (!FindSerpService(engine->key, chosen))
            chosen.append(*engine);
    }
    return true;
}

bool readDepth(const QString &text, int &depth)
{
    bool ok = false;
    depth = text.toInt(&ok);
    return ok && depth >= 1 && depth <= kLargestRankDepth;
}

bool readDelay(const QString &text, double &delay)
{
    bool ok = false;
    delay = text.toDouble(&ok);
    return ok && delay >= 0 && delay <= 3600;
}

QString pageLines(const SerpPageRead &page, int shown)
{
    QString text = QStringLiteral("网址 / URL: %1\n  HTTP 状态 / status: %2，页面大小 / page size: %3 字节 / bytes\n")
                       .arg(page.url,
                            page.httpStatus ? QString::number(page.httpStatus) : QStringLiteral("无 / none"))
                       .arg(page.bytes);
    text += QStringLiteral("  截到 / results cut: %1\n").arg(page.results.size());
    for (qsizetype i = 0; i < page.results.size() && i < shown; ++i)
        text += QStringLiteral("    %1%2\n")
                    .arg(page.results[i].captured,
                         page.results[i].excluded ? QStringLiteral("（exclude 跳过 / skipped）") : QString());
    return text;
}

}  // namespace

int TestSerpEngine(const SerpService &engine, const QString &keyword, const QString &site, Console &console)
{
    QNetworkAccessManager network;
    const SerpPageFetch fetch = [&](const QString &url, bool utf8) { return FetchResultPage(network, url, utf8); };
    const SiteMatcher matcher(site, false);
    const StopFlag neverStopped;  // so there is always an answer
    const std::optional<RankAnswer> answer =
        AskRank({engine, QUrl(engine.defaultBase), keyword, matcher, kDefaultRankDepth}, fetch, neverStopped);
    QString report = QStringLiteral("搜索引擎 / engine: %1（%2），关键词 / keyword: %3，网站 / site: %4\n")
                         .arg(engine.key, engine.caption, keyword, site);
    for (const SerpPageRead &page : answer->pages)
        report += pageLines(page, 10);
    const RankCell &cell = answer->cell;
    if (cell.state == RankCell::State::Found)
        report += QStringLiteral("排名 / rank: %1（%2）\n").arg(cell.rank).arg(cell.url);
    else if (cell.state == RankCell::State::NotFound)
        report += QStringLiteral("排名 / rank: %1\n").arg(BeyondDepthText(kDefaultRankDepth));
    else
        report += QStringLiteral("%1 / failed: %2\n").arg(kQueryFailed, cell.failure);
    console.out(report);
    return console.outOk() && cell.state != RankCell::State::Failed ? ExitOk : ExitRunFailed;
}

int RunRankCommand(const QStringList &arguments, Console &console)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "查询网站在各搜索引擎中按关键词的排名（搜索引擎由 services.json 中 \"kind\": \"serp\" 的定义给出）。\n"
        "Where a site ranks for its keywords on the engines defined as \"kind\": \"serp\" in services.json."));
    parser.addHelpOption();
    const QCommandLineOption siteOption(QStringLiteral("site"), QStringLiteral("网站地址 / the site"),
                                        QStringLiteral("ADDRESS"));
    const QCommandLineOption keywordsOption(
        QStringLiteral("keywords"), QStringLiteral("关键词文件，每行一个（UTF-8）/ keyword file, one a line"),
        QStringLiteral("FILE"));
    const QCommandLineOption servicesOption(
        QStringLiteral("services"), QStringLiteral("逗号分隔的搜索引擎（默认全部）/ comma-separated engines (default: all)"),
        QStringLiteral("LIST"));
    const QCommandLineOption depthOption(
        QStringLiteral("depth"), QStringLiteral("最多看前 N 个结果（1–100，默认 50）/ results read at most (1–100)"),
        QStringLiteral("N"), QString::number(kDefaultRankDepth));
    const QCommandLineOption subdomainsOption(QStringLiteral("subdomains"),
                                              QStringLiteral("含子域名 / subdomains count as the site"));
    const QCommandLineOption delayOption(
        QStringLiteral("delay"),
        QStringLiteral("同一搜索引擎两次查询的间隔秒数（默认 3，上下浮动一半；0 不停）/ seconds between two queries to "
                       "one engine (default 3, varied by up to half)"),
        QStringLiteral("S"), QStringLiteral("3"));
    const ServiceOptions serviceOptions;
    const QCommandLineOption savePagesOption(
        QStringLiteral("save-pages"), QStringLiteral("把每个结果页面存入此文件夹 / keep every result page in DIR"),
        QStringLiteral("DIR"));
    const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("输出 JSON / print JSON"));
    const QCommandLineOption csvOption(QStringLiteral("csv"), QStringLiteral("把表格写成 CSV / write the table as CSV"),
                                       QStringLiteral("FILE"));
    const QCommandLineOption storeOption(
        QStringLiteral("store"),
        QStringLiteral("把结果存入站点存储，并列出与上次相比的变化 / keep the run in a site's store and show the change "
                       "since the run before"),
        QStringLiteral("FILE"));
    parser.addOptions({siteOption, keywordsOption, servicesOption, depthOption, subdomainsOption, delayOption,
                       serviceOptions.file, savePagesOption, jsonOption, csvOption, storeOption});

    int status = ExitOk;
    if (!ParseCommandLine(parser, arguments, console, status, Positionals::None))
        return status;
    auto usage = [&console](const QString &message) { return UsageError(console, message); };
    RankRequest request;
    request.site = parser.value(siteOption).trimmed();
    request.subdomains = parser.isSet(subdomainsOption);
    if (request.site.isEmpty() || !SiteMatcher(request.site, false).isValid())
        return usage(QStringLiteral("需要 --site 网站地址 / --site ADDRESS is needed"));
    if (!parser.isSet(keywordsOption))
        return usage(QStringLiteral("需要 --keywords 关键词文件 / --keywords FILE is needed"));
    if (!readDepth(parser.value(depthOption), request.depth))
        return usage(QStringLiteral("--depth 须是 1 到 100 的整数 / --depth takes 1 to 100"));
    if (!readDelay(parser.value(delayOption), request.delaySeconds))
        return usage(QStringLiteral("--delay 须是 0 到 3600 的秒数 / --delay takes 0 to 3600 seconds"));
    if (parser.isSet(storeOption) && parser.value(storeOption).trimmed().isEmpty())
        return usage(QStringLiteral("--store 需要存储文件 / --store takes a FILE"));
    if (parser.isSet(jsonOption) && parser.isSet(csvOption))
        return usage(QStringLiteral("--json 与 --csv 只能选一个 / --json or --csv, not both"));

    const QString keywordPath = parser.value(keywordsOption);
    if (!QFileInfo(keywordPath).isFile())
        return usage(QStringLiteral("关键词文件不存在 / no such keyword file: ") + keywordPath);
    QString fault;
    request.keywords = LoadKeywordFile(keywordPath, &fault);
    if (!fault.isEmpty())
        return usage(fault);
    if (request.keywords.isEmpty())
        return usage(QStringLiteral("关键词文件中没有关键词 / the keyword file holds no keyword: ") + keywordPath);

    ServiceCatalogue catalogue;
    if (!serviceOptions.loadServices(parser, console, catalogue, status))
        return status;
    if (catalogue.serp.isEmpty())
        return usage(QStringLiteral("没有 \"kind\": \"serp\" 的搜索引擎定义（见 README）/ no serp definition in force"));
    if (!chooseEngines(parser, servicesOption, catalogue.serp, request.engines, fault))
        return usage(fault);

    std::optional<PageKeeper> keeper;
    if (parser.isSet(savePagesOption)) {
        if (!QDir().mkpath(parser.value(savePagesOption)))
            return usage(QStringLiteral("无法建立文件夹 / cannot make the folder ") + parser.value(savePagesOption));
        keeper.emplace(parser.value(savePagesOption), console);
        request.keepPages = true;
    }

    StopFlag stop;
    RankResults results;
    {
        const InterruptStopsRun interrupt(stop);
        results = RunRanking(request, {}, stop, [&](int keyword, int engine, const RankAnswer &answer) {
            for (qsizetype page = 0; keeper && page < answer.pages.size(); ++page)
                keeper->keep(QStringLiteral("%1_%2_p%3").arg(request.engines[engine].key, request.keywords[keyword])
                                 .arg(page + 1),
                             answer.pages[page].body);
        });
    }
    // A stopped run is no run to compare the next one with.
    QString storeProblem;
    if (parser.isSet(storeOption) && !results.stopped)
        storeProblem = KeepRankRun(parser.value(storeOption), results, QDate::currentDate(), results.previous);
    QString saveProblem;
    if (parser.isSet(jsonOption)) {
        console.out(QString::fromUtf8(RankResultsJson(results)));
    } else if (parser.isSet(csvOption)) {
        console.err(RankReportNotes(results).replace(QLatin1String("\r\n"), QLatin1String("\n")));
        saveProblem = WriteRankCsv(results, parser.value(csvOption));
    } else {
        console.out(RankReportText(results));
    }
    for (const QString &problem : {storeProblem, saveProblem})
        if (!problem.isEmpty())
            console.err(problem + u'\n');
    if (results.stopped)
        return ExitStopped;
    const bool allKept = (!keeper || !keeper->failed()) && storeProblem.isEmpty();
    return console.outOk() && saveProblem.isEmpty() && allKept && !results.anyFailed() ? ExitOk : ExitRunFailed;
}
