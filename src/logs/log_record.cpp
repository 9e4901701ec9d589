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

QDate DateOfDay(qint64 day) { return day > 0 ? QDate(int(day / 10000), int(day / 100 % 100), int(day % 100)) : QDate(); }

qint32 DayNumber(QDate date) { return date.isValid() ? date.year() * 10000 + date.month() * 100 + date.day() : 0; }
