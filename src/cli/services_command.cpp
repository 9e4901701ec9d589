#include "cli/services_command.h"

#include "cli/cli_support.h"
#include "cli/rank_command.h"
#include "common/app_settings.h"
#include "indexing/indexing_run.h"
#include "indexing/net/network_page_source.h"

#include <QCommandLineParser>

bool ServiceOptions::loadServices(const QCommandLineParser &parser, Console &console, ServiceCatalogue &catalogue,
                                  int &status) const
{
    if (parser.isSet(file)) {
        catalogue = LoadServiceCatalogue(parser.value(file), true);
        if (!catalogue.fault.isEmpty()) {
            status = UsageError(console, catalogue.fault);
            return false;
        }
        return true;
    }
    catalogue = LoadServiceCatalogue(UserServiceFilePath(), false);
    if (!catalogue.fault.isEmpty())
        console.err(QStringLiteral("警告：服务定义文件有误，已忽略，只用内置的服务 / warning: the service file is "
                                   "ignored:\n")
                    + catalogue.fault + u'\n');
    return true;
}

bool ServiceOptions::baseUrls(const QCommandLineParser &parser, const QList<IndexingService> &services,
                              Console &console, QMap<QString, QUrl> &bases, int &status) const
{
    QSettings settings = OpenAppSettings();
    bases = ServiceBaseUrls(settings, services);
    for (const QString &assignment : parser.values(base)) {
        const QString key = assignment.section(u'=', 0, 0);
        const QUrl url(assignment.section(u'=', 1), QUrl::StrictMode);
        if (!FindIndexingService(key, services) || !IsValidBaseUrl(url)) {
            status = UsageError(console, QStringLiteral("无效的 --base：") + assignment
                                             + QStringLiteral("（KEY=http(s)://主机[:端口]）"));
            return false;
        }
        bases.insert(key, url);
    }
    return true;
}

namespace {

QString routeName(PageRoute route)
{
    switch (route) {
    case PageRoute::Direct:
        return QStringLiteral("http");
    case PageRoute::GoogleForm:
        return QStringLiteral("google-form");
    case PageRoute::SogouForm:
        return QStringLiteral("sogou-form");
    }
    return {};
}

void listServices(const ServiceCatalogue &catalogue, Console &console)
{
    const QList<IndexingService> &services = catalogue.services;
    for (const IndexingService &service : services) {
        const QString from = service.origin.isEmpty() ? QStringLiteral("内置 / built in")
            : FindIndexingService(service.settingsKey)
            ? service.origin + QStringLiteral("（替换内置 / replaces the built-in）")
            : service.origin;
        console.out(QStringList{service.settingsKey, service.caption,
                                service.value == ServiceValue::Count ? QStringLiteral("count") : QStringLiteral("rank"),
                                routeName(service.route), from}
                        .join(u'\t')
                    + u'\n');
    }
    for (const SerpService &engine : catalogue.serp)
        console.out(QStringList{engine.key, engine.caption, QStringLiteral("serp"), QStringLiteral("http"), engine.origin}
                        .join(u'\t')
                    + u'\n');
}

// One query, told step by step so that a user can see where a rule fails.
int testService(const IndexingService &service, const QUrl &base, const QString &site, Console &console)
{
    NetworkPageSource pages;
    const QString nonce = u'&' + RandomCode(5, DefaultRandomSource()) + u'=';
    const ServiceQuery query = QueryService(service, base, site, nonce, pages);
    QString report = QStringLiteral("服务 / service: %1（%2）\n").arg(service.settingsKey, service.caption);
    if (service.route == PageRoute::Direct)
        report += QStringLiteral("网址 / URL: %1\n").arg(query.url);
    else
        report += QStringLiteral("搜索页 / search page: %1（在搜索框填入 site:%2）\n").arg(query.url, site);
    report += QStringLiteral("HTTP 状态 / status: %1\n")
                  .arg(query.page.httpStatus ? QString::number(query.page.httpStatus) : QStringLiteral("无 / none"));
    report += QStringLiteral("页面大小 / page size: %1 字节 / bytes\n").arg(query.page.body.size());
    if (!query.cut.isEmpty())
        report += QStringLiteral("截取 / cut: 「%1」\n").arg(query.cut);
    if (query.value)
        report += QStringLiteral("结果 / value: %1\n").arg(*query.value);
    else
        report += QStringLiteral("%1 / failed: %2\n").arg(kQueryFailed, query.failure);
    console.out(report);
    return console.outOk() && query.value ? ExitOk : ExitRunFailed;
}

}  // namespace

int RunServicesCommand(const QStringList &arguments, Console &console)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "列出所用的收录查询服务，或试查一个服务。\n"
        "Lists the indexing services in force and where each comes from, or tries one on a site."));
    parser.addHelpOption();
    const ServiceOptions options;
    const QCommandLineOption testOption(QStringLiteral("test"), QStringLiteral("试查这个服务 / try this service"),
                                        QStringLiteral("KEY"));
    const QCommandLineOption siteOption(QStringLiteral("site"), QStringLiteral("试查的网址 / the site to ask about"),
                                        QStringLiteral("ADDRESS"));
    const QCommandLineOption keywordOption(
        QStringLiteral("keyword"), QStringLiteral("试查 serp 引擎时的关键词 / the keyword, for a serp engine"),
        QStringLiteral("WORD"));
    parser.addOptions({options.file, options.base, testOption, siteOption, keywordOption});

    int status = ExitOk;
    if (!ParseCommandLine(parser, arguments, console, status, Positionals::None))
        return status;
    ServiceCatalogue catalogue;
    if (!options.loadServices(parser, console, catalogue, status))
        return status;
    if (!parser.isSet(testOption)) {
        if (parser.isSet(siteOption) || parser.isSet(keywordOption))
            return UsageError(console, QStringLiteral("--site、--keyword 只与 --test 一起用 / --site and --keyword go "
                                                      "with --test"));
        listServices(catalogue, console);
        return console.outOk() ? ExitOk : ExitRunFailed;
    }
    if (const SerpService *engine = FindSerpService(parser.value(testOption), catalogue.serp)) {
        const QString keyword = parser.value(keywordOption).trimmed();
        const QString site = parser.value(siteOption).trimmed();
        if (keyword.isEmpty() || site.isEmpty())
            return UsageError(console, QStringLiteral("试查 serp 引擎需要 --keyword 关键词 与 --site 网址 / a serp engine "
                                                      "needs --keyword WORD and --site ADDRESS"));
        return TestSerpEngine(*engine, keyword, site, console);
    }
    if (parser.isSet(keywordOption))
        return UsageError(console, QStringLiteral("--keyword 只用于 serp 引擎 / --keyword is for serp engines"));
    const IndexingService *service = FindIndexingService(parser.value(testOption), catalogue.services);
    if (!service)
        return UsageError(console, QStringLiteral("未知的服务：") + parser.value(testOption));
    const QString site = parser.value(siteOption).trimmed();
    if (site.isEmpty())
        return UsageError(console, QStringLiteral("--test 需要 --site 网址 / --test needs --site ADDRESS"));
    QMap<QString, QUrl> bases;
    if (!options.baseUrls(parser, catalogue.services, console, bases, status))
        return status;
    return testService(*service, bases.value(service->settingsKey), site, console);
}
