#pragma once

#include "indexing/extract_rule.h"
#include "indexing/serp_service.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QUrl>

class QSettings;

// How a service's result page is obtained.
enum class PageRoute {
    Direct,      // an HTTP GET of the query URL ("http")
    GoogleForm,  // the browser drives Google's search form ("google-form")
    SogouForm,   // the browser drives Sogou's search form ("sogou-form")
};

enum class ServiceValue { Count, Rank };

// A service the indexing run asks. The ten built in are data (services.json
// in the resources); a user's file adds services or replaces built-in ones.
struct IndexingService
{
    QString checkBox;     // "Check1" … "Check10"; a user's added services "Check11", …
    QString caption;      // "百度收录": the tick box's text
    QString settingsKey;  // "baidu": in --services, --base and the settings group "服务"
    QString defaultBase;  // the service's public host
    PageRoute route;
    // Path and query after the base: "{site}" stands for the encoded
    // address, "{nonce}" for the run's cache-busting "&XXXXX=".
    QString query;        // "/s?wd=site%3A{site}{nonce}"
    bool utf8;            // the page is UTF-8 (else code page 936)
    ExtractRule extract;
    ServiceValue value;
    QString label;        // " 百度收录：", printed as written
    QString origin;       // the file it comes from; empty when built in
};

// The ten built-in services, in the order the run asks them.
const QList<IndexingService> &IndexingServices();
const IndexingService *FindIndexingService(const QString &settingsKey,
                                           const QList<IndexingService> &services = IndexingServices());

const SerpService *FindSerpService(const QString &key, const QList<SerpService> &engines);

struct ServiceDefinitions
{
    QList<IndexingService> services;  // in the file's order
    QList<SerpService> serp;          // the "kind": "serp" ones, in the file's order
    QString fault;                    // empty when the whole file is sound
};

// A file {"services": [definition, …]}. A definition with a built-in key
// replaces that service, and the fields it leaves out are the built-in's. A
// fault names the line of a JSON syntax error, or the definition's key and
// the field at fault; `origin` (the file's name) begins it. A serp definition
// takes a key of its own: it cannot replace a built-in count or rank service.
ServiceDefinitions ParseServiceDefinitions(const QByteArray &json, const QString &origin);

struct ServiceCatalogue
{
    QList<IndexingService> services;  // in force, in the order the run asks them
    QList<SerpService> serp;          // the keyword-ranking engines in force, in the file's order
    QString fault;                    // why the file was not used
};

// The ten with the definitions of the file at `path` over them: one with a
// built-in key takes that service's place, the others follow the ten in the
// file's order; its serp definitions are the ranking engines. On a fault the
// ten alone are in force, and no ranking engine. A missing file is a
// fault only when `mustExist`.
ServiceCatalogue LoadServiceCatalogue(const QString &path, bool mustExist);

// "services.json" beside the settings file (~/.config/蛛迹通/services.json).
QString UserServiceFilePath();

// A base URL is a scheme (http or https), a host and an optional port.
bool IsValidBaseUrl(const QUrl &url);

// The base URL of every service by its settings key: the settings group
// "服务" where it holds a valid base URL, else the definition's.
QMap<QString, QUrl> ServiceBaseUrls(QSettings &settings, const QList<IndexingService> &services = IndexingServices());

// The address percent-encoded (as UTF-8) so that every character reaches the
// service as typed, in a query value and in a path alike: only letters,
// digits, "-", ".", "_", "~", "/" and ":" stand as they are, so a typed
// "%41" is sent as "%2541" and "&" cannot start another key.
QString EncodeAddressForQuery(const QString &address);

// base + query, with the address encoded as above and the nonce in place.
QString ServiceQueryUrl(const IndexingService &service, const QUrl &base, const QString &address,
                        const QString &nonce);
