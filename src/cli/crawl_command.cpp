#include "cli/crawl_command.h"

#include "cli/cli_support.h"
#include "cli/log_format_options.h"
#include "common/stop_flag.h"
#include "crawl_log/crawl_run.h"
#include "crawl_log/crawler_catalogue.h"
#include "logs/formats/log_formats.h"
#include "logs/log_input.h"
#include "overview/overview_format.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

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
    const QCommandLineOption jobsOption(QStringLiteral("jobs"),
                                        QStringLiteral("同时分析的文件数 / files analysed in parallel"),
                                        QStringLiteral("N"), QString::number(QThread::idealThreadCount()));
    const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("输出 JSON / print JSON"));
    const QCommandLineOption recursiveOption(QStringLiteral("recursive"),
                                             QStringLiteral("包含子目录 / scan sub-folders too"));
    const QCommandLineOption formatOption(
        QStringLiteral("log-format"),
        QStringLiteral("非 W3C 日志的格式：combined、common、格式定义的名字（trawlex-cli formats）、nginx log_format "
                       "或 Apache LogFormat 字符串 / layout of every log that is not W3C"),
        QStringLiteral("STRING"));
    parser.addOptions({spiderOption, tokenOption, jobsOption, jsonOption, recursiveOption, formatOption});
    const LogFormatOptions formats(false);
    formats.addTo(parser);
    parser.addPositionalArgument(QStringLiteral("PATH"),
                                 QStringLiteral("日志文件夹或文件，- 为标准输入 / log folder or file, - for standard input"),
                                 QStringLiteral("PATH..."));

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
    bool jobsOk = false;
    const int jobs = parser.value(jobsOption).toInt(&jobsOk);
    if (!jobsOk || jobs < 1)
        return usage(QStringLiteral("--jobs 须为正整数 / --jobs takes a positive number"));
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usage(QStringLiteral("请给出日志文件夹或文件 / give a log folder or file"));
    for (const QString &path : positional)
        if (path != QLatin1String("-") && !QFileInfo(path).isSymLink() && !QFileInfo::exists(path))
            return usage(QStringLiteral("该目录不存在！") + u' ' + path);
    CrawlRunRequest request;
    request.options.logFormat = parser.value(formatOption);
    if (!formats.applyTo(parser, request.options, console, status))
        return status;

    const LogInputScan scan = CollectLogInputs(positional, parser.isSet(recursiveOption));
    request.inputs = scan.inputs;
    request.problems = request.options.formats->problems + scan.problems;
    request.token = choice.token;
    request.spiderName = choice.spiderName;
    request.jobs = jobs;
    const bool json = parser.isSet(jsonOption);
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
    if (!ParseCommandLine(parser, arguments, console, status))
        return status;
    if (!parser.positionalArguments().isEmpty())
        return UsageError(console, QStringLiteral("spiders 不接受参数 / spiders takes no arguments"));
    for (const CatalogueCrawler &crawler : CrawlerCatalogue())
        console.out(crawler.displayName + u'\t' + crawler.token + u'\n');
    return console.outOk() ? ExitOk : ExitRunFailed;
}
