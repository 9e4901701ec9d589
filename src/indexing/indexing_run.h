#pragma once

#include "indexing/service_catalogue.h"
#include "indexing/site_list.h"

#include <QDateTime>
#include <QMap>
#include <QString>
#include <QUrl>

#include <functional>

class RunOutput;
class StopFlag;

// Where the run gets its result pages: a direct download, or one of the
// browser-driven search forms. The window and the command line plug in the
// network and the browser; tests plug in canned pages.
class PageSource
{
public:
    virtual ~PageSource() = default;
    virtual QString download(const QString &url, bool utf8) = 0;
    // The result page of the search form of `route` for "site:" + address.
    virtual QString searchForm(PageRoute route, const QUrl &base, const QString &address) = 0;
};

// A random number r with 0 <= r < 1.
using RandomSource = std::function<double()>;

// n random characters of "0"…"9", "A"…"Z".
QString RandomCode(int n, const RandomSource &random);
RandomSource DefaultRandomSource();

struct IndexingRunContext
{
    // Whether a service's box is ticked, asked each time the run reaches it.
    std::function<bool(const IndexingService &)> ticked;
    QMap<QString, QUrl> baseUrls;  // by settings key
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };
    RandomSource random = DefaultRandomSource();
};

// Largest number of characters of a trimmed address over all entries.
qsizetype UrlColumnWidth(const SiteList &sites);

// Queries every checked site with every ticked service, in the order of the
// service table, and writes the aligned report through `output`. Yields after
// every query and every site; a stop is seen there. Entries are read when the
// run reaches them, so check marks changed meanwhile apply from then on.
void RunIndexingAnalysis(const SiteList &sites, const IndexingRunContext &context, PageSource &pages,
                         RunOutput &output, StopFlag &stop);
