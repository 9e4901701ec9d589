#include "cli/index_command.h"

#include "cli/cli_support.h"
#include "common/app_settings.h"
#include "common/stop_flag.h"
#include "indexing/indexing_run.h"
#include "indexing/net/network_page_source.h"
#include "indexing/site_file.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

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
    QStringList keys;
    for (const IndexingService &service : IndexingServices())
        keys.append(service.settingsKey);
    const QCommandLineOption servicesOption(
        QStringLiteral("services"),
        QStringLiteral("逗号分隔的服务，或 all / comma-separated services, or all: ") + keys.join(u','),
        QStringLiteral("LIST"), QStringLiteral("all"));
    const QCommandLineOption baseOption(QStringLiteral("base"),
                                        QStringLiteral("服务的基础网址 / a service's base URL"), QStringLiteral("KEY=URL"));
    const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("输出 JSON / print JSON"));
    parser.addOptions({sitesOption, servicesOption, baseOption, jsonOption});

    int status = ExitOk;
    if (!ParseCommandLine(parser, arguments, console, status))
        return status;
    auto usage = [&console](const QString &message) { return UsageError(console, message); };
    if (!parser.positionalArguments().isEmpty())
        return usage(QStringLiteral("多余的参数 / unexpected argument: ") + parser.positionalArguments().front());

    QSet<QString> ticked;
    const QString list = parser.value(servicesOption);
    for (const QString &key : list == QLatin1String("all") ? keys : list.split(u',', Qt::SkipEmptyParts)) {
        if (!FindIndexingService(key.trimmed()))
            return usage(QStringLiteral("未知的服务：") + key);
        ticked.insert(key.trimmed());
    }

    QSettings settings = OpenAppSettings();
    IndexingRunContext context;
    context.baseUrls = ServiceBaseUrls(settings);
    for (const QString &assignment : parser.values(baseOption)) {
        const QString key = assignment.section(u'=', 0, 0);
        const QUrl url(assignment.section(u'=', 1), QUrl::StrictMode);
        if (!FindIndexingService(key) || !IsValidBaseUrl(url))
            return usage(QStringLiteral("无效的 --base：") + assignment
                         + QStringLiteral("（KEY=http(s)://主机[:端口]）"));
        context.baseUrls.insert(key, url);
    }
    context.ticked = [&ticked](const IndexingService &service) { return ticked.contains(service.settingsKey); };

    const QString sitesPath = parser.value(sitesOption);
    if (parser.isSet(sitesOption) && !QFileInfo(sitesPath).isFile())
        return usage(QStringLiteral("网址列表文件不存在：") + sitesPath);
    const SiteList sites = LoadSiteFile(sitesPath);

    NetworkPageSource pages;
    const bool json = parser.isSet(jsonOption);
    ConsoleRunOutput output(json ? nullptr : &console);
    StopFlag stop;
    const QList<SiteResults> results = RunIndexingAnalysis(sites, context, pages, output, stop);
    if (json)
        console.out(QString::fromUtf8(resultsJson(results)));
    return console.outOk() && !anyFailed(results) ? ExitOk : ExitRunFailed;
}
