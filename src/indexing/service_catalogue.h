#pragma once

#include "indexing/extraction.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QUrl>

class QSettings;

// How a service's result page is obtained.
enum class PageRoute {
    Direct,      // an HTTP GET of the query URL
    GoogleForm,  // the browser drives Google's search form
    SogouForm,   // the browser drives Sogou's search form
};

enum class ServiceValue { Count, Rank };

// One of the ten services the indexing run asks, in the order it asks them.
struct IndexingService
{
    QString checkBox;     // "Check1"
    QString caption;      // "百度收录"
    QString settingsKey;  // "baidu": key in the settings group "服务"
    QString defaultBase;  // the service's public host
    PageRoute route;
    // Path and query after the base: "{site}" stands for the encoded
    // address, "{nonce}" for the run's cache-busting "&XXXXX=".
    QString query;        // "/s?wd=site%3A{site}{nonce}"
    bool utf8;            // the page is UTF-8 (else code page 936)
    BuiltinExtractor extract;
    ServiceValue value;
    QString label;        // " 百度收录："
};

const QList<IndexingService> &IndexingServices();
const IndexingService *FindIndexingService(const QString &settingsKey);

// A base URL is a scheme (http or https), a host and an optional port.
bool IsValidBaseUrl(const QUrl &url);

// The base URL of every service by its settings key: the settings group
// "服务" where it holds a valid base URL, else the built-in default.
QMap<QString, QUrl> ServiceBaseUrls(QSettings &settings);

// The address percent-encoded (as UTF-8) so that every character reaches the
// service as typed, in a query value and in a path alike: only letters,
// digits, "-", ".", "_", "~", "/" and ":" stand as they are, so a typed
// "%41" is sent as "%2541" and "&" cannot start another key.
QString EncodeAddressForQuery(const QString &address);

// base + query, with the address encoded as above and the nonce in place.
QString ServiceQueryUrl(const IndexingService &service, const QUrl &base, const QString &address,
                        const QString &nonce);
