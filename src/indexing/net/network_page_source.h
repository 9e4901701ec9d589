#pragma once

#include "indexing/indexing_run.h"
#include "indexing/net/http_page_fetcher.h"

#include <QNetworkAccessManager>

#include <memory>

class FormSearcher;

// Result pages from the network: direct downloads, and the search forms
// through a hidden browser made on first use (so nothing waits for the
// browser engine before a form search is needed).
class NetworkPageSource final : public PageSource
{
public:
    explicit NetworkPageSource(DownloadLimits limits = {});
    ~NetworkPageSource() override;

    FetchedPage download(const QString &url, bool utf8) override;
    FetchedPage searchForm(PageRoute route, const QUrl &base, const QString &address,
                           const std::function<bool(const QString &page)> &countFound) override;

private:
    QNetworkAccessManager network_;
    DownloadLimits limits_;
    std::unique_ptr<FormSearcher> browser_;
    bool browserTried_ = false;
};
