#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>
#include <vector>

// What the site's own files (sitemaps, robots.txt) say about the crawlers'
// requests: plain figures the overview's result carries and its writers show.

// One sitemap file as it was read; an index counts as a file with no URLs.
struct SitemapFileSummary
{
    QString source;   // the file or address as given or as the index named it
    qint64 urls = 0;  // URLs on the site's host it holds
    QString problem;  // empty when read whole; else why not (what was read before is kept)
};

struct SitemapSummary
{
    QString host;          // the site's host: given, or that of the first URL read
    QStringList urls;      // distinct URLs on the site's host, in the order first read
    qint64 otherHost = 0;  // URLs left out for naming another host
    QList<SitemapFileSummary> files;
};

struct RobotsTxtSummary
{
    QString source;
    int groups = 0;   // groups as written, before merging
    QString problem;  // empty when read whole
};

// One sitemap URL as one agent requested it.
struct SitemapUrlVisits
{
    qint64 requests = 0;
    int latestStatus = 0;  // of the latest request; among requests of the same second, the largest code
    QDateTime latest;      // invalid when never requested or its records had no date
};

struct AgentCoverage
{
    qint64 inSitemap = 0;    // sitemap URLs requested at least once
    qint64 inSitemapOk = 0;  // of those, answered 2xx or 304 at least once
    qint64 never = 0;        // sitemap URLs never requested
    qint64 stale = 0;        // requested, but last more than the stale days before the input's last date
    qint64 outside = 0;      // distinct keys answered 2xx or 304 that the sitemap lacks (/robots.txt aside)
    std::vector<SitemapUrlVisits> urls;  // by index in SitemapSummary::urls
};

struct RuleRequests
{
    QString rule;  // "Disallow: /admin/": the directive and the pattern as the file writes it
    qint64 requests = 0;
};

// A disallowed key as one agent requested it.
struct DisallowedKey
{
    QString key;  // "/admin/a?x=1", normalised as keys are
    QString rule;
    qint64 requests = 0;
};

struct AgentRobots
{
    std::optional<QString> group;  // the User-agent value of the group that applied; none: no rules
    qint64 disallowed = 0;         // requests of keys the rules disallow for this agent
    qint64 disallowedPages = 0;    // distinct such keys
    qint64 robotsFetches = 0;      // requests of /robots.txt
    QList<RuleRequests> topRules;  // the 10 rules that disallowed most requests, ties by rule text
    QList<DisallowedKey> keys;     // every disallowed key, most requests first, ties by key
};
