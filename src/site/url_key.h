#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The key a URL and a logged request are compared by: the path (an empty
// one is "/"), then "?" and the query when there is one; scheme, host and
// fragment dropped. A %XX of an unreserved character (A-Z a-z 0-9 - . _ ~)
// is decoded, any other %xx upper-cased, and every byte above 0x7F, every
// space and a '%' that starts no escape written as %XX, so that the ways one
// address can be written meet.
namespace UrlKey {

QByteArray of(QByteArrayView path, QByteArrayView query);
// The same written at the end of `to`, which keeps its capacity: no
// allocation once it is large enough.
void appendTo(QByteArray &to, QByteArrayView path, QByteArrayView query);

// The same for a robots.txt pattern: '*' and a last '$' stay as written.
QByteArray ofPattern(QByteArrayView pattern);

// A key whose path compares ignoring ASCII letter case (as W3C logs' pages
// do): its path's letters in lower case, escapes and query as they are.
QByteArray foldedPath(QByteArrayView key);
// The same in place, for the key that starts at `from`.
void foldPath(QByteArray &key, qsizetype from = 0);

// An absolute http(s) URL's host in lower case (no port) and its key;
// false for anything else.
bool split(const QString &url, QString &host, QByteArray &key);

}  // namespace UrlKey
