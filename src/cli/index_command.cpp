#include "cli/index_command.h"

#include "cli/cli_support.h"
#include "cli/services_command.h"
#include "common/stop_flag.h"
#include "indexing/indexing_run.h"
#include "indexing/net/network_page_source.h"
#include "indexing/site_file.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QByteArray resultsJson(const QList<SiteResults> &sites)
{
    QJsonArray siteArray;
    for (const SiteResults &site : sites) {
        QJsonArray results;
        for (const ServiceResult &result : site.results)
            results.append(QJsonObject{
                {QStringLiteral("service"), result.serviceKey},
                {QStringLiteral("value"), result.value ? QJsonValue(*result.value) : QJsonValue()},
                {QStringLiteral("reason"), result.value ? QJsonValue() : QJsonValue(result.failure)},
            });
        siteArray.append(QJsonObject{{QStringLiteral("url"), site.url},
                                     {QStringLiteral("name"), site.name},
                                     {QStringLiteral("results"), results}});
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("sites"), siteArray}}).toJson(QJsonDocument::Indented);
}

bool anyFailed(const QList<SiteResults> &sites)
{
    for (const SiteResults &site : sites)
        for (const ServiceResult &result : site.results)
            if (!result.value)
                return true;
    return false;
}

}  // namespace

int RunIndexCommand(const QStringList &arguments, Console &console)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "查询网址列表中各网站的搜索引擎收录数与排名。\n"
        "Asks the search engines and ranking services about the sites of a site list."));
    parser.addHelpOption();
    const QCommandLineOption sitesOption(QStringLiteral("sites"),
                                         QStringLiteral("lv.txt 格式的网址列表 / site list in the lv.txt format"),
                                         QStringLiteral("FILE"), SiteFilePath());
    QStringList builtinKeys;
    for (const IndexingService &service : IndexingServices())
        builtinKeys.append(service.settingsKey);
    const QCommandLineOption servicesOption(
        QStringLiteral("services"),
        QStringLiteral("逗号分隔的服务，或 all（全部所用的服务）/ comma-separated services, or all: ")
            + builtinKeys.join(u',') + QStringLiteral(", …"),
        QStringLiteral("LIST"), QStringLiteral("all"));
    const ServiceOptions serviceOptions;
    const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("输出 JSON / print JSON"));
    const QCommandLineOption savePagesOption(
        QStringLiteral("save-pages"), QStringLiteral("把每个结果页面存入此文件夹 / keep every result page in DIR"),
        QStringLiteral("DIR"));
    parser.addOptions({sitesOption, servicesOption, serviceOptions.base, serviceOptions.file, jsonOption,
                       savePagesOption});

    int status = ExitOk;
    if (!ParseCommandLine(parser, arguments, console, status, Positionals::None))
        return status;
    auto usage = [&console](const QString &message) { return UsageError(console, message); };

    ServiceCatalogue catalogue;
    if (!serviceOptions.loadServices(parser, console, catalogue, status))
        return status;
    QStringList keys;
    if (parser.value(servicesOption) == QLatin1String("all")) {
        for (const IndexingService &service : catalogue.services)
            keys.append(service.settingsKey);
    } else {
        keys = parser.value(servicesOption).split(u',', Qt::SkipEmptyParts);
    }
    QSet<QString> ticked;
    for (const QString &key : keys) {
        if (!FindIndexingService(key.trimmed(), catalogue.services))
            return usage(QStringLiteral("未知的服务：") + key);
        ticked.insert(key.trimmed());
    }

    IndexingRunContext context;
    context.services = catalogue.services;
    if (!serviceOptions.baseUrls(parser, catalogue.services, console, context.baseUrls, status))
        return status;
    context.ticked = [&ticked](const IndexingService &service) { return ticked.contains(service.settingsKey); };

    const QString sitesPath = parser.value(sitesOption);
    if (parser.isSet(sitesOption) && !QFileInfo(sitesPath).isFile())
        return usage(QStringLiteral("网址列表文件不存在：") + sitesPath);
    const SiteList sites = LoadSiteFile(sitesPath);

    std::optional<PageKeeper> keeper;
    if (parser.isSet(savePagesOption)) {
        const QString folder = parser.value(savePagesOption);
        if (!QDir().mkpath(folder)) {  // a fault of the run, not of the arguments
            console.err(QStringLiteral("无法建立文件夹 / cannot make the folder ") + folder + u'\n');
            return ExitRunFailed;
        }
        keeper.emplace(folder, console);
        context.queried = [&keeper](const IndexingService &service, const QString &address, const ServiceQuery &query) {
            keeper->keep(service.settingsKey + u'_' + address, query.page.body);
        };
    }

    NetworkPageSource pages;
    const bool json = parser.isSet(jsonOption);
    ConsoleRunOutput output(json ? nullptr : &console);
    StopFlag stop;
    const QList<SiteResults> results = RunIndexingAnalysis(sites, context, pages, output, stop);
    if (json)
        console.out(QString::fromUtf8(resultsJson(results)));
    const bool allKept = !keeper || !keeper->failed();
    return console.outOk() && !anyFailed(results) && allKept ? ExitOk : ExitRunFailed;
}
