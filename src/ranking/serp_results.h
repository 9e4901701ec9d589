#pragma once

#include "indexing/serp_service.h"

#include <QList>
#include <QString>
#include <QStringView>

// One result cut out of a result page.
struct SerpResult
{
    QString captured;       // the capture, tags dropped and HTML entities decoded
    bool excluded = false;  // the engine's exclude pattern matched it: not counted
};

// Every result the engine's rule cuts out of `page`, in the page's order.
QList<SerpResult> CutSerpResults(const SerpService &engine, const QString &page);

// "&amp;", "&lt;", "&gt;", "&quot;", "&apos;", "&nbsp;" and "&#NNN;" /
// "&#xHH;" as the characters they stand for; anything else as written.
QString DecodeHtmlEntities(QStringView text);

// The host a result names: the capture without its scheme, up to the first
// "/", "?", "#", "›", ":" or white space; lower case, without a leading
// "www.". "https://WWW.Example.com/a" and "example.com › a › b" both give
// "example.com".
QString ResultHost(QStringView captured);

// Whether results are on the site: the site's host as ResultHost() reads
// it, and with `subdomains` any host ending in "." and that host too.
class SiteMatcher
{
public:
    SiteMatcher(QStringView siteAddress, bool subdomains);

    bool isValid() const { return !host_.isEmpty(); }
    const QString &host() const { return host_; }
    bool matches(QStringView captured) const;

private:
    QString host_;
    bool subdomains_;
};
