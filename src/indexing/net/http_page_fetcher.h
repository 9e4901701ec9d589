#pragma once

#include "indexing/indexing_run.h"
#include "net/http_download.h"

#include <QByteArray>
#include <QString>

class QNetworkAccessManager;

// UTF-8 bytes as text; invalid sequences become U+FFFD.
QString Utf8BytesToString(const QByteArray &bytes);

// Every CR LF, TAB, LF and CR deleted; "charset=utf-8" and charset="utf-8
// declare GB2312 instead (letter case ignored).
QString CleanDownloadedPage(QString page);

// A result page by direct download: code page 936, or UTF-8 when `utf8`,
// cleaned as above.
FetchedPage FetchResultPage(QNetworkAccessManager &network, const QString &url, bool utf8,
                            const DownloadLimits &limits = {});

