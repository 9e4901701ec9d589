#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class StopFlag;

// Bounds for a download from a server nobody vouches for.
struct DownloadLimits
{
    int timeoutMs = 10000;               // the whole request, redirects included
    qint64 maxBodyBytes = 8 << 20;       // after decompression; the rest is cut off
    int maxRedirects = 5;                // and only to http or https
    const StopFlag *stop = nullptr;      // when set, the download is given up (looked at every 50 ms)
};

struct Download
{
    QByteArray body;   // what arrived, at most maxBodyBytes
    bool cut = false;  // the body reached the limit and the rest was not read
    int httpStatus = 0;  // of the last answer; 0 when none came
    QString failure;   // empty when the body is complete or cut; else why not, in Chinese
    bool ok() const { return failure.isEmpty(); }
};

// Waits for the body in a local event loop that handles no user input, so
// a window cannot act in the middle of a download. Only http and https, at
// the start and on every redirect. A failure (an invalid address, no
// connection, time-out, an error status, a refused redirect) says why.
Download DownloadUrl(QNetworkAccessManager &network, const QUrl &url, const DownloadLimits &limits = {});
