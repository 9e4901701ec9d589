// Feeds arbitrary bytes through the log reader (directive search, hit scan,
// column split, decoding) with small blocks and line limits, and checks the
// block scanner against the plain reading of the same rules.
#include "crawl_log/log_scanner.h"
#include "support/reference_log_reader.h"

#include <QStringList>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 3)
        return 0;
    static const QStringList tokens = {QStringLiteral("spider"), QStringLiteral("Yahoo!"), QStringLiteral("k"),
                                       QStringLiteral("百度"), QStringLiteral("a b")};
    const QString token = tokens[data[0] % tokens.size()];
    // Mostly tiny blocks and lines, which put every boundary in play; with the
    // top bit set, blocks wide enough for the vector search.
    const ScanLimits limits{(data[1] & 0x80) ? 4096 : 1 + data[1] % 64, (data[2] & 0x80) ? 4096 : 1 + data[2] % 100};
    const QByteArray file(reinterpret_cast<const char *>(data + 3), qsizetype(size - 3));

    MemoryByteSource directiveSource(file, 1 + data[1] % 7);
    const qint32 field = FindFieldIndex(directiveSource, u"cs-uri-stem", limits).fieldIndex;
    if (field != Reference::FieldIndex(file, QStringLiteral("cs-uri-stem"), limits.maxLineBytes))
        std::abort();

    const qint32 column = field > 0 ? field : 1 + data[2] % 4;
    MemoryByteSource hitSource(file, 1 + data[2] % 5);
    QStringList hits{QString()};
    ScanHitLines(hitSource, column, CrawlerToken(token), nullptr,
                 [&](QByteArrayView value, TextEncoding encoding) { hits.append(DecodeLogText(value, encoding)); },
                 limits);
    QStringList expected;
    Reference::HitList(file, column, token, limits.maxLineBytes, false, expected);
    if (hits != expected)
        std::abort();
    return 0;
}
