#include "indexing/net/network_page_source.h"

#include "indexing/net/browser_form_driver.h"

NetworkPageSource::NetworkPageSource(DownloadLimits limits) : limits_(limits) {}

NetworkPageSource::~NetworkPageSource() = default;

QString NetworkPageSource::download(const QString &url, bool utf8)
{
    return INET下载投注网页(network_, url, utf8, limits_);
}

QString NetworkPageSource::searchForm(PageRoute route, const QUrl &base, const QString &address)
{
    if (route == PageRoute::Direct)
        return {};
    if (!browser_)
        browser_ = std::make_unique<BrowserFormDriver>(limits_.timeoutMs);
    return browser_->search(route == PageRoute::GoogleForm ? GoogleSearchForm() : SogouSearchForm(), base, address);
}
