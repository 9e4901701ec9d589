// Arbitrary pages through the result rule: the first line is the site, the
// rest the page. Cutting must not crash, and every result's host must be
// what the matcher compares: none of the characters that end a host, lower
// case, read again the same (but for a second "www."); a result on the site's own host must
// match with and without subdomains, and a match must be that host or a
// subdomain of it.
#include "indexing/service_catalogue.h"
#include "ranking/serp_results.h"

#include <cstdint>
#include <cstdlib>

namespace {

const QList<SerpService> &engines()
{
    static const QList<SerpService> serp = ParseServiceDefinitions(R"({"services": [
  {"key": "href", "caption": "a", "label": "a", "kind": "serp", "base": "http://127.0.0.1", "query": "/s?q={keyword}&p={page}",
   "results": {"regex": "<a href=\"([^\"]*)\""}, "exclude": "^https?://ad\\.", "captcha": ["验证"]},
  {"key": "cite", "caption": "b", "label": "b", "kind": "serp", "base": "http://127.0.0.1", "query": "/s?q={keyword}&p={page}",
   "results": {"regex": "<cite>(.*?)</cite>"}}
]})", QStringLiteral("fuzz")).serp;
    return serp;
}

void check(bool holds)
{
    if (!holds)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString input = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype lineEnd = input.indexOf(u'\n');
    const QString site = input.left(lineEnd < 0 ? input.size() : lineEnd);
    const QString page = lineEnd < 0 ? QString() : input.sliced(lineEnd + 1);
    check(engines().size() == 2);
    check(DecodeHtmlEntities(page).size() <= page.size());

    const QString siteHost = ResultHost(site);
    const SiteMatcher exact(site, false);
    const SiteMatcher withSubdomains(site, true);
    for (const SerpService &engine : engines())
        for (const SerpResult &result : CutSerpResults(engine, page)) {
            check(!result.captured.isEmpty());
            const QString host = ResultHost(result.captured);
            check(host == host.toLower());
            check(ResultHost(host) == host || host.startsWith(QLatin1String("www.")));  // read as it reads
            for (QChar c : host)
                check(c != u'/' && c != u'?' && c != u'#' && c != u'›' && c != u':' && !c.isSpace());
            if (!siteHost.isEmpty() && host == siteHost)
                check(exact.matches(result.captured) && withSubdomains.matches(result.captured));
            if (withSubdomains.matches(result.captured))
                check(host == siteHost || host.endsWith(u'.' + siteHost));
            check(!exact.matches(result.captured) || host == siteHost);
        }
    return 0;
}
