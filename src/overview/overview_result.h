#pragma once

#include "logs/log_reader.h"
#include "logs/log_record.h"
#include "site/site_figures.h"
#include "verification/verdicts.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <memory>
#include <optional>

class PageTable;

// What a crawler is for; the order is the order of every output.
enum class AgentCategory : quint8 { Search, Ai, Seo, Social, Monitor, Other, Visitor };
inline constexpr int kAgentCategoryCount = 7;

QString CategoryKey(AgentCategory category);   // "search", as JSON and the catalogue write it
QString CategoryName(AgentCategory category);  // "搜索引擎", as people read it
std::optional<AgentCategory> CategoryFromKey(QStringView key);

// A response's status class; a missing status or one outside 200-599 is Unknown.
enum class StatusClass : quint8 { Success, Redirect, ClientError, ServerError, Unknown };
inline constexpr int kStatusClassCount = 5;

StatusClass ClassOfStatus(int status);
QString StatusClassKey(StatusClass statusClass);  // "2xx", "3xx", "4xx", "5xx", "unknown"

// A status that counts a page as answered (成功页面数): 2xx or 304.
inline bool IsValidAnswer(int status) { return (status >= 200 && status <= 299) || status == 304; }

// One input as the run met it.
struct OverviewInput
{
    QString path;  // as reports name it: relative to the folder given, a file as given, "-" for standard input
    LogFamily family = LogFamily::W3c;
    Compression compression = Compression::None;
    qint64 records = 0;   // every record read, whatever the date range
    qint64 badLines = 0;  // lines that are no record of the file's format
    qint64 skippedLongLines = 0;
    bool noPageColumn = false;  // a W3C file that never names cs-uri-stem
    bool noAgentField = false;  // read by a definition whose agent field no record held
    QString formatName;         // the format definition that read it ("aliyun-cdn"); empty for the own families
    bool bytesLogged = false;   // its format has a response size (an IIS log without sc-bytes has none)
    QString skipReason;         // not read at all; empty when read
    SkipKind skipKind = SkipKind::None;
    bool layoutIgnored = false;  // read by detection: the format string read nothing of it
    QString errorText;          // could not be read to its end; what was read before stays counted
    bool failed() const { return !errorText.isEmpty(); }
};

struct PageRequests
{
    qint32 page = 0;  // id in OverviewResult::pageText
    qint64 requests = 0;
};

struct PageStatusRequests
{
    qint32 page = 0;
    int status = 0;  // 0: the record gave no status
    qint64 requests = 0;
    QDateTime lastSeen;  // the latest record time of the pair; invalid when its records had no date
};

// A (page, status) pair that keeps apart requests with a query: what the
// site's files are matched against.
struct TargetStatusRequests : PageStatusRequests
{
    qint32 queried = -1;  // -1: the page without a query; else index in OverviewResult::queriedTargets
};

// A request target with a query, as logged.
struct QueriedTarget
{
    qint32 page = 0;
    qint32 query = 0;  // id in OverviewResult::queryTable: the query's bytes as written
};

// One first path segment of an agent's pages: "/news/", or "/" for pages
// right under the root.
struct SectionRequests
{
    QString section;
    qint64 requests = 0;
    qint64 pages = 0;   // distinct pages, as the overview counts them
    qint64 errors = 0;  // requests answered 4xx or 5xx
};

inline constexpr int kHours = 24;

struct ClientRequests
{
    QString address;  // as the log writes it
    qint64 requests = 0;
};

// One page as one agent requested it.
struct AgentPage
{
    qint32 page = 0;
    qint64 requests = 0;
    QList<int> statuses;  // the status codes it was answered with, ascending (0: none given)
    QDateTime lastSeen;   // invalid when its records had no date
};

// One agent's figures over the records of the date range.
struct AgentOverview
{
    QString id;      // "baiduspider", or one of the classes after the catalogue: "script", "other-bot",
                     // "no-agent", "browser"
    QString name;    // "百度蜘蛛"
    QString family;  // "百度"
    AgentCategory category = AgentCategory::Other;
    bool catalogued = false;  // from the catalogue, not one of the classes after it

    qint64 requests = 0;
    qint64 pages = 0;       // distinct pages requested
    qint64 validPages = 0;  // distinct pages answered at least once with 2xx or 304
    qint64 bytes = 0;
    qint64 clients = 0;     // distinct client addresses
    QMap<int, qint64> status;  // requests per status code seen (a missing status is not a code)
    std::array<qint64, kStatusClassCount> classes{};  // requests per StatusClass
    QMap<QDate, qint64> days;  // requests per date the log writes
    QDateTime first;  // earliest and latest record time as the log writes it (no time zone);
    QDateTime last;   // invalid when no record had a date
    QList<PageRequests> topPages;         // the 20 pages with most requests
    QList<PageStatusRequests> topErrors;  // the 20 (page, 4xx/5xx status) pairs with most requests
    QList<PageStatusRequests> pageStatuses;  // every (page, status) pair, by page id then status
    QList<ClientRequests> clientRequests;    // a catalogued agent's requests per client, by address text,
                                             // when the run was asked for them (for the crawler check)
    qint64 previousRequests = 0;  // in the days of the same length before the range, when compared
    QList<SectionRequests> sections;  // the 50 sections with most requests, ties by section text
    std::array<qint64, kHours> hours{};  // requests by the hour the log writes (W3C: UTC)
    QList<TargetStatusRequests> targetStatuses;  // every (target, status) pair, when the run kept them
    std::optional<AgentCoverage> coverage;  // with a sitemap, for crawlers
    std::optional<AgentRobots> robots;      // with a robots.txt, for crawlers

    qint64 classRequests(StatusClass statusClass) const { return classes[int(statusClass)]; }
    // Every page it requested, from pageStatuses, by page id.
    QList<AgentPage> pageList() const;
};

// Requests of 其他爬虫 (a bot word, no catalogue agent) by the agents' first bot word.
struct BotWordRequests
{
    QString token;  // "Golang_Spider_Bot", as first met; letter case ignored in counting
    qint64 requests = 0;
};

struct OverviewResult
{
    QStringList sources;          // the folders and files asked for, as given
    QList<OverviewInput> inputs;  // in the order read
    QStringList problems;         // report lines: inputs that are none, a malformed crawlers.json, ...
    qint64 records = 0;           // records of all inputs, whatever the date range
    qint64 badLines = 0;
    QDate from;  // the date range asked for; invalid: open
    QDate to;
    std::array<qint64, kAgentCategoryCount> categories{};  // requests per AgentCategory in the range
    QMap<QDate, qint64> days;                              // requests per day in the range
    QList<AgentOverview> agents;  // the agents seen, by requests descending, ties by id (code points)
    QList<BotWordRequests> otherBots;  // 其他爬虫 by bot word, the 20 with most requests, ties by token
    std::optional<VerificationSummary> verification;  // the crawler check, when it was run
    std::vector<QueriedTarget> queriedTargets;  // when the run kept targets (OverviewRequest::targets)
    std::optional<SitemapSummary> sitemap;     // when sitemaps were given
    std::optional<RobotsTxtSummary> robotsTxt;  // when a robots.txt was given
    bool stopped = false;         // the stop flag ended the run: the figures cover part of the input
    // The agents' previousRequests are set (a store knows the days before the range).
    bool comparesPrevious = false;

    // Distinct pages: W3C pages ignore ASCII letter case, others keep it, and a W3C page is never
    // another family's page. The text is decoded from the page's own bytes: UTF-8 when they are
    // valid UTF-8, else code page 936.
    std::shared_ptr<const PageTable> pageTable;
    std::shared_ptr<const PageTable> queryTable;  // the queries of queriedTargets
    qsizetype pageCount() const;
    QString pageText(qint32 page) const;

    qint64 requests() const;  // requests in the range, all agents
    bool anyFailed() const;   // an input could not be read to its end
    bool bytesLogged() const;
    qsizetype logFileCount() const;  // the "N 个文件" of the run: every input but error logs  // some input read has a response size: else 流量 is unknown, not zero
    const AgentOverview *agent(QStringView id) const;
};
