#pragma once

#include "indexing/indexing_run.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;

// Bounds for a download from a server nobody vouches for.
struct DownloadLimits
{
    int timeoutMs = 10000;               // the whole request, redirects included
    qint64 maxBodyBytes = 8 << 20;       // after decompression; the rest is cut off
    int maxRedirects = 5;                // and only to http or https
};

// Waits for the body in a local event loop that handles no user input, so
// the window cannot act in the middle of a download. Empty on any failure
// (no connection, time-out, an error status, a refused redirect); a body
// over the limit is cut there.
QByteArray DownloadBody(QNetworkAccessManager &network, const QUrl &url, const DownloadLimits &limits = {});

// UTF-8 bytes as text; invalid sequences become U+FFFD.
QString Utf8BytesToString(const QByteArray &bytes);

// Every CR LF, TAB, LF and CR deleted; "charset=utf-8" and charset="utf-8
// declare GB2312 instead (letter case ignored).
QString CleanDownloadedPage(QString page);

// A result page by direct download: code page 936, or UTF-8 when `utf8`.
QString INET下载投注网页(const QString &url, bool utf8, const DownloadLimits &limits = {});
QString INET下载投注网页(QNetworkAccessManager &network, const QString &url, bool utf8,
                   const DownloadLimits &limits = {});
