#include "cli/crawl_command.h"

#include "cli/cli_support.h"
#include "cli/log_command_line.h"
#include "common/stop_flag.h"
#include "crawl_log/crawl_run.h"
#include "crawl_log/crawler_catalogue.h"
#include "logs/formats/log_formats.h"
#include "logs/log_input.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

struct CrawlChoice
{
    QString spiderName;
    QString token;
};

QJsonObject fileJson(const CrawlFileSummary &file)
{
    QJsonObject object{{QStringLiteral("name"), file.fileName}};
    switch (file.outcome) {
    case CrawlFileSummary::Outcome::Skipped:
        object.insert(QStringLiteral("skipped"), file.reason);
        return object;
    case CrawlFileSummary::Outcome::Unreadable:
        object.insert(QStringLiteral("error"), file.reason);
        return object;
    case CrawlFileSummary::Outcome::Analysed:
        break;
    }
    object.insert(QStringLiteral("format"), file.formatName.isEmpty() ? FamilyKey(file.family) : file.formatName);
    object.insert(QStringLiteral("compression"), CompressionKey(file.compression));
    object.insert(QStringLiteral("requests"), file.requests);
    object.insert(QStringLiteral("pages"), qint64(file.validPages));
    if (file.skippedLongLines > 0)
        object.insert(QStringLiteral("skipped_long_lines"), file.skippedLongLines);
    if (file.skippedLines > 0)
        object.insert(QStringLiteral("skipped_lines"), file.skippedLines);
    if (file.noPageColumn)
        object.insert(QStringLiteral("no_page_column"), true);
    if (file.noAgentField)
        object.insert(QStringLiteral("no_agent_field"), true);
    if (!file.reason.isEmpty())
        object.insert(QStringLiteral("error"), file.reason);
    return object;
}

QByteArray runJson(const CrawlChoice &choice, const CrawlRunRequest &request, const CrawlRunSummary &summary,
                   const PageSet &pages)
{
    QJsonArray files;
    for (const CrawlFileSummary &file : summary.files)
        files.append(fileJson(file));
    QJsonArray pageList;
    for (const QString &page : pages.pages())
        if (!page.isEmpty())
            pageList.append(page);
    const QJsonObject document{
        {QStringLiteral("spider"), choice.spiderName},
        {QStringLiteral("token"), choice.token},
        {QStringLiteral("files"), files},
        {QStringLiteral("problems"), QJsonArray::fromStringList(request.problems)},
        {QStringLiteral("total_pages"), qint64(summary.validPages)},
        {QStringLiteral("stopped"), summary.stopped},
        {QStringLiteral("pages"), pageList},
    };
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

}  // namespace

int RunCrawlCommand(const QStringList &arguments, Console &console)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "统计日志（W3C、nginx/Apache、自定义格式，可压缩）里某个搜索引擎蜘蛛的请求数与有效页面数。\n"
        "Counts a crawler's requests and distinct pages in access logs (W3C, nginx/Apache, custom layouts;\n"
        "gzip, zstd, bzip2 and xz read as they are)."));
    parser.addHelpOption();
    const QCommandLineOption spiderOption(QStringLiteral("spider"),
                                          QStringLiteral("目录中的蜘蛛（显示名或标识） / catalogue crawler by name or token"),
                                          QStringLiteral("NAME"));
    const QCommandLineOption tokenOption(QStringLiteral("token"),
                                         QStringLiteral("自定义蜘蛛标识，至少 5 个字符 / custom user-agent token"),
                                         QStringLiteral("TOKEN"));
    parser.addOptions({spiderOption, tokenOption});
    const LogCommandLine logs;
    logs.addTo(parser);

    int status = ExitOk;
    if (!ParseCommandLine(parser, arguments, console, status))
        return status;
    auto usage = [&console](const QString &message) { return UsageError(console, message); };

    if (parser.isSet(spiderOption) == parser.isSet(tokenOption))
        return usage(QStringLiteral("请指定 --spider 或 --token 之一 / give one of --spider and --token"));
    CrawlChoice choice;
    if (parser.isSet(spiderOption)) {
        const CatalogueCrawler *crawler = FindCatalogueCrawler(parser.value(spiderOption));
        if (!crawler)
            return usage(QStringLiteral("未知的蜘蛛：") + parser.value(spiderOption));
        choice = {crawler->displayName, crawler->token};
    } else {
        const std::optional<QString> token = CustomCrawlerToken(parser.value(tokenOption));
        if (!token)
            return usage(WrongCrawlerMessage());
        choice = {*token, *token};
    }
    LogInputChoice logChoice;
    if (!logs.choose(parser, console, logChoice))
        return ExitUsage;
    CrawlRunRequest request;
    request.options.logFormat = logChoice.logFormat;
    request.options.formats = logChoice.formats;

    const LogInputScan scan = CollectLogInputs(logChoice.paths, logChoice.recursive);
    request.inputs = scan.inputs;
    request.problems = request.options.formats->problems + scan.problems;
    request.token = choice.token;
    request.spiderName = choice.spiderName;
    request.jobs = logChoice.jobs;
    const bool json = parser.isSet(logs.json);
    ConsoleRunOutput output(json ? nullptr : &console);
    PageSet pages;
    StopFlag stop;
    CrawlRunSummary summary;
    {
        const InterruptStopsRun interrupt(stop);
        summary = RunCrawlAnalysis(request, pages, output, stop);
    }
    if (json)
        console.out(QString::fromUtf8(runJson(choice, request, summary, pages)));
    if (summary.stopped)
        return ExitStopped;
    if (!console.outOk() || summary.anyFailed())
        return ExitRunFailed;
    return ExitOk;
}

int RunSpidersCommand(const QStringList &arguments, Console &console)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "列出可用 --spider 选择的蜘蛛：显示名与标识。\n"
        "Lists the crawlers --spider knows: display name and token."));
    parser.addHelpOption();
    int status = ExitOk;
    if (!ParseCommandLine(parser, arguments, console, status, Positionals::None))
        return status;
    for (const CatalogueCrawler &crawler : CrawlerCatalogue())
        console.out(crawler.displayName + u'\t' + crawler.token + u'\n');
    return console.outOk() ? ExitOk : ExitRunFailed;
}
