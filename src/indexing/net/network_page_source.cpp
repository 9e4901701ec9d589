#include "indexing/net/network_page_source.h"

#include "indexing/net/form_search.h"

#include <utility>

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
    if (!std::exchange(browserTried_, true))
        browser_ = LoadBrowserFormSearcher(limits_.timeoutMs);
    if (!browser_)
        return {};
    return browser_->search(route == PageRoute::GoogleForm ? GoogleSearchForm() : SogouSearchForm(), base, address);
}
