#include "logs/log_record.h"

QString FamilyKey(LogFamily family)
{
    switch (family) {
    case LogFamily::W3c:
        return QStringLiteral("w3c");
    case LogFamily::Ncsa:
        return QStringLiteral("ncsa");
    case LogFamily::Custom:
        return QStringLiteral("custom");
    }
    return {};
}

QString CompressionKey(Compression compression)
{
    switch (compression) {
    case Compression::None:
        return QStringLiteral("none");
    case Compression::Gzip:
        return QStringLiteral("gzip");
    case Compression::Zstd:
        return QStringLiteral("zstd");
    case Compression::Bzip2:
        return QStringLiteral("bzip2");
    case Compression::Xz:
        return QStringLiteral("xz");
    }
    return {};
}
