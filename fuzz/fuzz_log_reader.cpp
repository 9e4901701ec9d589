// Feeds arbitrary bytes, read as a W3C log, through the block reader and the
// crawl run (directive blocks, hit search, column split, decoding) with small
// blocks and line limits, and checks both against the plain reading of the
// same rules.
#include "crawl_log/crawl_run.h"
#include "logs/formats/log_formats.h"
#include "memory_file.h"
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
    LogReadOptions options;
    options.formats = std::make_shared<LogFormats>();  // IIS's rules alone: no other W3C dialect
    options.limits = {(data[1] & 0x80) ? 4096 : 1 + data[1] % 64, (data[2] & 0x80) ? 4096 : 16 + data[2] % 100};
    // The leading directive makes the bytes a W3C log.
    const QByteArray file = "#Version: 1.0\n" + QByteArray(reinterpret_cast<const char *>(data + 3), qsizetype(size - 3));
    MemoryFile memory(reinterpret_cast<const std::uint8_t *>(file.constData()), std::size_t(file.size()));
    const LogInput input{memory.path(), QStringLiteral("fuzz.log"), {}};

    QByteArrayList pages;
    ReadLogRecords(input, options, [&](const LogRecord &record) {
        pages.append(record.hasPage ? record.page.toByteArray() : QByteArray("!"));
    });
    QByteArrayList expectedPages;
    for (const Reference::W3cLine &line : Reference::ReadW3c(file, options.limits.maxLineBytes))
        if (line.kind == Reference::W3cLine::Record)
            expectedPages.append(line.hasPage ? line.page : QByteArray("!"));
    if (pages != expectedPages)
        std::abort();

    const LogFileAnalysis analysis = AnalyzeLogFile(input, CrawlerToken(token), nullptr, options);
    const Reference::Crawl expected = Reference::CrawlW3c(file, token, options.limits.maxLineBytes);
    if (analysis.summary.requests != expected.requests || analysis.summary.skippedLines != expected.skippedLines
        || analysis.pages.pages() != expected.pages)
        std::abort();
    return 0;
}
