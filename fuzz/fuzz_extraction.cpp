// Arbitrary text through the ten extraction routines, 加万字, the number
// reader of user rules, the service-definition reader and the site-file
// loader: none may crash, and a loaded list must survive a save and a load.
#include "indexing/extraction.h"
#include "indexing/service_catalogue.h"
#include "indexing/site_file.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString page = QString::fromUtf8(bytes);
    for (const QString &name : BuiltinExtractorNames())
        if (加万字(FindBuiltinExtractor(name)(page).value_or(0)).isEmpty())
            std::abort();
    ParseNumberWithUnits(page);
    ParseServiceDefinitions(bytes, QStringLiteral("fuzz"));

    const SiteList list = ParseSiteFile(bytes);
    const QByteArray saved = SerializeSiteFile(list);
    if (SerializeSiteFile(ParseSiteFile(saved)) != saved)
        std::abort();
    return 0;
}
