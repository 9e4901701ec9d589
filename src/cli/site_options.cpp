#include "cli/site_options.h"

#include <QCommandLineParser>

void SiteCommandLine::addTo(QCommandLineParser &parser) const { parser.addOptions({sitemap, robots, staleDays, siteHost}); }

std::optional<SiteRequest> SiteCommandLine::read(const QCommandLineParser &parser, QString &problem) const
{
    SiteRequest request;
    request.sitemaps = parser.values(sitemap);
    request.robots = parser.value(robots);
    request.siteHost = parser.value(siteHost);
    bool ok = false;
    request.staleDays = parser.value(staleDays).toInt(&ok);
    if (!ok || request.staleDays < 0) {
        problem = QStringLiteral("--stale-days 须为非负整数 / is a whole number of days");
        return std::nullopt;
    }
    if (request.sitemaps.isEmpty() && (parser.isSet(staleDays) || parser.isSet(siteHost))) {
        problem = QStringLiteral("--stale-days 和 --site-host 需要 --sitemap / need --sitemap");
        return std::nullopt;
    }
    return request;
}
