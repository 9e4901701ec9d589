// Reads arbitrary bytes as a sitemap (XML, text, gzip'd): nothing crashes,
// the limits hold, and every key is already what normalising it gives.
#include "site/sitemap_reader.h"
#include "site/url_key.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const SitemapDocument document =
        ParseSitemap(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)), size % 2 == 1);
    if (document.addresses.size() > kMostSitemapUrls)
        std::abort();
    for (const QString &address : document.addresses) {
        QString host;
        QByteArray key;
        if (!UrlKey::split(address, host, key))
            continue;
        const qsizetype mark = key.indexOf('?');
        const QByteArray again =
            UrlKey::of(mark < 0 ? QByteArrayView(key) : QByteArrayView(key).first(mark),
                       mark < 0 ? QByteArrayView() : QByteArrayView(key).sliced(mark + 1));
        if (key.isEmpty() || key.front() != '/' || again != key)
            std::abort();
    }
    return 0;
}
