#pragma once

#include "site/site_check.h"

#include <QCommandLineOption>
#include <QString>

#include <optional>

class QCommandLineParser;

// --sitemap, --robots, --stale-days and --site-host of `overview`.
struct SiteCommandLine
{
    QCommandLineOption sitemap{QStringLiteral("sitemap"),
                               QStringLiteral("网站地图（XML、索引、.gz 或文本；文件或 http(s) 网址），可重复 / sitemap, repeatable"),
                               QStringLiteral("SRC")};
    QCommandLineOption robots{QStringLiteral("robots"),
                              QStringLiteral("robots.txt（文件或 http(s) 网址） / robots.txt file or address"),
                              QStringLiteral("SRC")};
    QCommandLineOption staleDays{QStringLiteral("stale-days"),
                                 QStringLiteral("最后抓取早于末日多少天算过期，默认 30 / days before a page is stale"),
                                 QStringLiteral("N"), QStringLiteral("30")};
    QCommandLineOption siteHost{QStringLiteral("site-host"),
                                QStringLiteral("网站的主机名，默认取地图中第一个网址的 / the site's host"),
                                QStringLiteral("HOST")};

    void addTo(QCommandLineParser &parser) const;
    // The request, or nothing with `problem` saying why (a bad --stale-days,
    // site options without --sitemap or --robots).
    std::optional<SiteRequest> read(const QCommandLineParser &parser, QString &problem) const;
};
