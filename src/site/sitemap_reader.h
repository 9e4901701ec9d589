#pragma once

#include "site/site_figures.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class SiteSource;
class StopFlag;

inline constexpr int kMostSitemapUrls = 50000;               // per file; the rest is left out
inline constexpr qint64 kMostSitemapBytes = qint64(50) << 20;  // per file, uncompressed
inline constexpr int kMostSitemapChildren = 1000;            // per index

// One sitemap file's addresses: an XML <urlset> or <sitemapindex> (with or
// without the sitemaps.org namespace; entities unescaped), or plain text,
// one address a line, in UTF-8 or else GB18030. Gzip'd bytes (told by their
// first bytes) are unpacked first.
struct SitemapDocument
{
    bool index = false;  // a <sitemapindex>: its addresses are sitemaps
    QStringList addresses;
    QString problem;  // what was wrong; the addresses read before it are kept
};

// `cut`: the bytes are the first part of a longer file.
SitemapDocument ParseSitemap(QByteArray bytes, bool cut = false);

// The sitemaps' URLs on the site's host, each with its key, read from every
// source (an index's children followed one level deep). `siteHost` empty:
// the host of the first URL read.
struct SitemapSet
{
    SitemapSummary summary;
    QList<QByteArray> keys;  // per URL of summary.urls
};

// `stop`, looked at between files, ends the reading early.
SitemapSet ReadSitemaps(const QStringList &sources, const QString &siteHost, SiteSource &source,
                        const StopFlag *stop = nullptr);
