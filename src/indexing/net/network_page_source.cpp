#include "indexing/net/network_page_source.h"

QString NetworkPageSource::download(const QString &url, bool utf8)
{
    return INET下载投注网页(network_, url, utf8, limits_);
}

QString NetworkPageSource::searchForm(PageRoute, const QUrl &, const QString &) { return {}; }
