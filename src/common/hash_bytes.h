#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <cstring>

// A quick 64-bit hash of bytes, for the overview's tables: its keys are
// log text (agents, pages, addresses), not chosen to collide. Two lanes take
// 16 bytes a round: their multiplications run side by side, which halves the
// time of a user agent (often 100-200 bytes), hashed for every record.
inline quint64 HashBytes(const char *bytes, qsizetype size)
{
    quint64 first = 0x9e3779b97f4a7c15ULL ^ quint64(size);
    quint64 second = 0xc2b2ae3d27d4eb4fULL;
    auto mix = [](quint64 &hash, quint64 word) {
        hash = (hash ^ word) * 0xbf58476d1ce4e5b9ULL;
        hash ^= hash >> 31;
    };
    auto wordAt = [](const char *at, std::size_t count) {
        quint64 word = 0;
        std::memcpy(&word, at, count);
        return word;
    };
    for (; size >= 16; bytes += 16, size -= 16) {
        mix(first, wordAt(bytes, 8));
        mix(second, wordAt(bytes + 8, 8));
    }
    if (size > 8) {
        mix(first, wordAt(bytes, 8));
        mix(second, wordAt(bytes + 8, std::size_t(size - 8)));
    } else if (size > 0) {
        mix(first, wordAt(bytes, std::size_t(size)));
    }
    quint64 hash = first ^ (second * 0x94d049bb133111ebULL);
    hash = (hash ^ (hash >> 29)) * 0x94d049bb133111ebULL;
    return hash ^ (hash >> 32);
}

// A hash of bytes for tables held in memory only: user agents and pages,
// hashed for every record. Where the processor has SSE4.2 it is made with
// the CRC32C instruction, a third of the instructions of HashBytes, so its
// values may differ from one machine to another: never store one (HashBytes
// is the one for what is kept).
quint64 TableHash(QByteArrayView bytes);

// Whether two byte strings are equal. The tables compare a key on every
// look-up: QByteArrayView's == calls Qt's ordering comparison out of line,
// where this is the sizes and an inlined memcmp.
inline bool SameBytes(QByteArrayView a, QByteArrayView b)
{
    return a.size() == b.size() && (a.isEmpty() || std::memcmp(a.data(), b.data(), std::size_t(a.size())) == 0);
}
