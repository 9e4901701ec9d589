#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <bit>
#include <cstddef>
#include <cstring>

// Reading the values that several log formats share. Each takes the bytes of
// one field as the log writes it and never allocates.
namespace RecordFields {

// The page of a request target as logged: up to its '?'; an absolute
// "http(s)://host/a" gives "/a", "http(s)://host" gives "/". False for a
// target that names no page ("*", "host:443", "-", junk). `query`, when
// given, gets what follows the '?' up to a '#' (empty without a '?').
bool PageOfTarget(QByteArrayView target, QByteArrayView &page, QByteArrayView *query = nullptr);

// The page of a request line "METHOD TARGET HTTP/x.y"; false for anything else.
bool PageOfRequestLine(QByteArrayView request, QByteArrayView &page, QByteArrayView *query = nullptr);

// A status of three digits; 0 for "-" or anything else.
qint16 Status(QByteArrayView field);

// A byte count; 0 for "-" or anything that is no number.
qint64 Bytes(QByteArrayView field);

// "10/Oct/2000:13:55:36 -0700" (the offset is ignored): the date as yyyymmdd
// and the seconds since midnight, both as written. False when malformed.
bool ClfTime(QByteArrayView field, qint32 &day, qint32 &second);

// "2024-01-01T00:00:00+08:00" (the offset is ignored).
bool IsoTime(QByteArrayView field, qint32 &day, qint32 &second);

// "20240101235959" (YYYYMMDDhhmmss), as some CDNs write their times.
bool CompactTime(QByteArrayView field, qint32 &day, qint32 &second);

// Unix time (UTC) with an optional fraction, counted in 1/`perSecond` of a
// second: 1 for "1700000000.25", 1000 for milliseconds, 10^9 for nanoseconds.
bool UnixTime(QByteArrayView field, qint64 perSecond, qint32 &day, qint32 &second);

// Unix seconds (UTC) as a number, for logs that write the time as one.
bool UnixSeconds(qint64 seconds, qint32 &day, qint32 &second);

// Whatever form the field has: RFC 3339 / ISO 8601, "10/Oct/2000:13:55:36 -0700",
// YYYYMMDDhhmmss, or a Unix time whose unit its size tells (up to 11 digits
// seconds, 14 milliseconds, 17 microseconds, else nanoseconds).
bool AnyTime(QByteArrayView field, qint32 &day, qint32 &second);

// "2008-05-01" and "00:01:02" as W3C logs write them.
bool W3cDate(QByteArrayView field, qint32 &day);
bool W3cTime(QByteArrayView field, qint32 &second);

// The first `byte` in [begin, end), or null. Most fields are short (an
// address, "-", a status, an empty referer): their first 16 bytes are looked
// at inline, a fraction of the cost of a call to memchr, which takes the rest.
inline const char *FindByte(const char *begin, const char *end, char byte)
{
#if defined(__SSE2__)
    if (end - begin >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(begin));
        if (const unsigned found = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(byte)))))
            return begin + std::countr_zero(found);
        begin += 16;
    }
#endif
    return static_cast<const char *>(std::memchr(begin, byte, std::size_t(end - begin)));
}

// Where a quoted field that began before `from` ends: the first '"' at or
// after `from` that no backslash escapes ("\"" as Apache writes it); null
// when there is none before `end`.
const char *ClosingQuote(const char *from, const char *end);

}  // namespace RecordFields
