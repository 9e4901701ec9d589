#pragma once

#include "indexing/indexing_run.h"
#include "indexing/net/http_page_fetcher.h"

#include <QNetworkAccessManager>

// Result pages from the network. The browser-driven search forms are not
// available yet: they give an empty page, so their services report 0.
class NetworkPageSource final : public PageSource
{
public:
    explicit NetworkPageSource(DownloadLimits limits = {}) : limits_(limits) {}

    QString download(const QString &url, bool utf8) override;
    QString searchForm(PageRoute route, const QUrl &base, const QString &address) override;

private:
    QNetworkAccessManager network_;
    DownloadLimits limits_;
};
