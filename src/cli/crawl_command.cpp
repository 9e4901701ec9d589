#include "cli/crawl_command.h"

#include "cli/cli_support.h"
#include "common/folder_check.h"
#include "common/stop_flag.h"
#include "crawl_log/crawl_run.h"
#include "crawl_log/crawler_catalogue.h"
#include "logs/log_folder.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
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
    if (file.outcome == LogFileAnalysis::Outcome::Unreadable) {
        object.insert(QStringLiteral("error"), file.errorText);
        return object;
    }
    object.insert(QStringLiteral("requests"), file.requests);
    object.insert(QStringLiteral("pages"), qint64(file.validPages));
    if (file.skippedLongLines > 0)
        object.insert(QStringLiteral("skipped_long_lines"), file.skippedLongLines);
    return object;
}

QByteArray runJson(const CrawlChoice &choice, const CrawlRunSummary &summary, const PageSet &pages)
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
        {QStringLiteral("total_pages"), qint64(summary.validPages)},
        {QStringLiteral("pages"), pageList},
    };
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

}  // namespace

int RunCrawlCommand(const QStringList &arguments, Console &console)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "统计一个文件夹中 W3C 日志里某个搜索引擎蜘蛛的请求数与有效页面数。\n"
        "Counts a crawler's requests and distinct pages in a folder of W3C logs."));
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
    parser.addOptions({spiderOption, tokenOption, jobsOption, jsonOption});
    parser.addPositionalArgument(QStringLiteral("FOLDER"), QStringLiteral("日志文件夹 / log folder"));

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
    if (positional.size() != 1)
        return usage(QStringLiteral("请给出一个日志文件夹 / give one log folder"));
    const QString folder = positional.front();
    if (!CheckFolderExists(folder))
        return usage(QStringLiteral("该目录不存在！"));

    CrawlRunRequest request;
    request.folder = folder;
    request.fileNames = ListLogFiles(folder);
    request.token = choice.token;
    request.spiderName = choice.spiderName;
    request.jobs = jobs;
    const bool json = parser.isSet(jsonOption);
    ConsoleRunOutput output(json ? nullptr : &console);
    PageSet pages;
    StopFlag stop;
    const CrawlRunSummary summary = RunCrawlAnalysis(request, pages, output, stop);
    if (json)
        console.out(QString::fromUtf8(runJson(choice, summary, pages)));
    if (!console.outOk() || summary.anyUnreadable())
        return ExitRunFailed;
    return ExitOk;
}

int RunSpidersCommand(Console &console)
{
    for (const CatalogueCrawler &crawler : CrawlerCatalogue())
        console.out(crawler.displayName + u'\t' + crawler.token + u'\n');
    return console.outOk() ? ExitOk : ExitRunFailed;
}
