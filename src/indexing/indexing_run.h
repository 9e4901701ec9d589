#pragma once

#include "indexing/service_catalogue.h"
#include "indexing/site_list.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class RunOutput;
class StopFlag;

// A result page, or why none came.
struct FetchedPage
{
    FetchedPage() = default;
    FetchedPage(QString pageText) : text(std::move(pageText)) {}  // a page that came

    QString text;        // as the extraction reads it
    QByteArray body;     // as it arrived, for a person to look at
    int httpStatus = 0;  // 0 when no HTTP answer came, or from the browser
    QString failure;     // empty when the page came
};

// Where the run gets its result pages: a direct download, or one of the
// browser-driven search forms. The window and the command line plug in the
// network and the browser; tests plug in canned pages.
class PageSource
{
public:
    virtual ~PageSource() = default;
    virtual FetchedPage download(const QString &url, bool utf8) = 0;
    // The result page of the search form of `route` for "site:" + address.
    // `countFound` tells whether a page holds the number, so that waiting
    // for the rest of a page that has it can stop.
    virtual FetchedPage searchForm(PageRoute route, const QUrl &base, const QString &address,
                                   const std::function<bool(const QString &page)> &countFound) = 0;
};

// A random number r with 0 <= r < 1.
using RandomSource = std::function<double()>;

// n random characters of "0"…"9", "A"…"Z".
QString RandomCode(int n, const RandomSource &random);
RandomSource DefaultRandomSource();

// What a failed query shows where its number would stand.
inline const QString kQueryFailed = QStringLiteral("查询失败");

// One service's answer for one site.
struct ServiceResult
{
    QString serviceKey;
    std::optional<qint64> value;  // nothing when the query failed
    QString failure;              // why it failed
    QString reportLine;           // the line the report got, without its line end
};

struct SiteResults
{
    QString url;  // trimmed
    QString name;
    QList<ServiceResult> results;
};

// One query: the URL asked (or the search form's home page), the page and
// what was cut out of it.
struct ServiceQuery
{
    QString url;
    FetchedPage page;
    std::optional<qint64> value;
    QString cut;      // what the rule cut out, for a rule that says
    QString failure;  // why there is no value
};

ServiceQuery QueryService(const IndexingService &service, const QUrl &base, const QString &address,
                          const QString &nonce, PageSource &pages);

struct IndexingRunContext
{
    // The services in force, in the order the run asks them.
    QList<IndexingService> services = IndexingServices();
    // Whether a service's box is ticked, asked each time the run reaches it.
    std::function<bool(const IndexingService &)> ticked;
    QMap<QString, QUrl> baseUrls;  // by settings key
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };
    RandomSource random = DefaultRandomSource();
    // Told of every query's page before the run goes on (to keep it); may be empty.
    std::function<void(const IndexingService &, const QString &address, const ServiceQuery &)> queried;
};

// Widest trimmed address over all entries, in columns.
qsizetype UrlColumnWidth(const SiteList &sites);

// The header's date and time in Chinese form, whatever the system's locale:
// "2026年12月8日 12:39:43".
QString ReportClockText(const QDateTime &moment);

// Queries every checked site with every ticked service, in the order of the
// services, and writes the aligned report through `output`; a failed query
// shows "查询失败" where its number would stand. Yields after every query and
// every site; a stop is seen there. Entries are read when the run reaches
// them, so check marks changed meanwhile apply from then on. Returns what
// each queried site got.
QList<SiteResults> RunIndexingAnalysis(const SiteList &sites, const IndexingRunContext &context, PageSource &pages,
                                       RunOutput &output, StopFlag &stop);
