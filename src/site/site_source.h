#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QNetworkAccessManager;
class StopFlag;

// The bytes of a file the site gives (a sitemap, robots.txt): a local file,
// or an http(s) address fetched by the bounded downloader.
struct SourceBytes
{
    QByteArray bytes;  // at most the limit asked for
    bool cut = false;  // there was more than the limit
    QString problem;   // empty when read; else why not, in Chinese
};

bool IsWebAddress(const QString &source);

class SiteSource
{
public:
    // `stop`, when set, gives up a download within 50 ms.
    explicit SiteSource(const StopFlag *stop = nullptr);
    ~SiteSource();

    SourceBytes read(const QString &source, qint64 limit);

private:
    const StopFlag *stop_;
    std::unique_ptr<QNetworkAccessManager> network_;  // made on the first address, on the reading thread
};
