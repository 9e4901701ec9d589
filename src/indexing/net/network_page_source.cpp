#include "indexing/net/network_page_source.h"

#include "indexing/net/form_search.h"

#include <utility>

NetworkPageSource::NetworkPageSource(DownloadLimits limits) : limits_(limits) {}

NetworkPageSource::~NetworkPageSource() = default;

FetchedPage NetworkPageSource::download(const QString &url, bool utf8)
{
    return FetchResultPage(network_, url, utf8, limits_);
}

FetchedPage NetworkPageSource::searchForm(PageRoute route, const QUrl &base, const QString &address,
                                          const std::function<bool(const QString &page)> &countFound)
{
    FetchedPage page;
    if (!std::exchange(browserTried_, true))
        browser_ = LoadBrowserFormSearcher(limits_.timeoutMs);
    if (!browser_) {
        page.failure = QStringLiteral("内置浏览器无法启动");
        return page;
    }
    const SearchForm form = route == PageRoute::GoogleForm ? GoogleSearchForm() : SogouSearchForm();
    page.text = browser_->search(form, base, address, countFound);
    page.body = page.text.toUtf8();
    page.failure = browser_->failure();
    return page;
}
