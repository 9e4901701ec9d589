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

struct Download
{
    QByteArray body;     // empty on a failure
    int httpStatus = 0;  // of the last answer; 0 when none came
    QString failure;     // empty when the body came
};

// Waits for the body in a local event loop that handles no user input, so
// the window cannot act in the middle of a download. A failure (an invalid
// address, no connection, time-out, an error status, a refused redirect)
// says why; a body over the limit is cut there.
Download DownloadUrl(QNetworkAccessManager &network, const QUrl &url, const DownloadLimits &limits = {});

// UTF-8 bytes as text; invalid sequences become U+FFFD.
QString Utf8BytesToString(const QByteArray &bytes);

// Every CR LF, TAB, LF and CR deleted; "charset=utf-8" and charset="utf-8
// declare GB2312 instead (letter case ignored).
QString CleanDownloadedPage(QString page);

// A result page by direct download: code page 936, or UTF-8 when `utf8`,
// cleaned as above.
FetchedPage FetchResultPage(QNetworkAccessManager &network, const QString &url, bool utf8,
                            const DownloadLimits &limits = {});

// The page text alone; empty on any failure.
QString INET下载投注网页(const QString &url, bool utf8, const DownloadLimits &limits = {});
QString INET下载投注网页(QNetworkAccessManager &network, const QString &url, bool utf8,
                   const DownloadLimits &limits = {});
