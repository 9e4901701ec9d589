#pragma once

#include "overview/flat_map.h"

#include <QByteArrayView>
#include <QString>

#include <algorithm>

// Keys of the overview's tables, shared by the run over records and the
// store's days.

// A (page id, status) pair as one number, ordered by page then status.
inline quint64 PairKey(qint32 page, int status) { return (quint64(quint32(page)) << 16) | quint16(status); }
inline qint32 PageOfPair(quint64 key) { return qint32(quint32(key >> 16)); }
inline int StatusOfPair(quint64 key) { return qint16(quint16(key & 0xffff)); }

// An IPv4 address as its number; any other text by a 64-bit hash with the top
// bit set, so that the two never meet.
inline quint64 ClientKey(QByteArrayView client)
{
    quint64 address = 0;
    quint32 part = 0;
    int digits = 0;
    int dots = 0;
    for (char c : client) {
        if (c >= '0' && c <= '9' && digits < 3) {
            part = part * 10 + quint32(c - '0');
            ++digits;
        } else if (c == '.' && digits > 0 && part <= 255 && dots < 3) {
            address = (address << 8) | part;
            part = 0;
            digits = 0;
            ++dots;
        } else {
            dots = -1;
            break;
        }
    }
    if (dots == 3 && digits > 0 && part <= 255)
        return (address << 8) | part;
    const quint64 hash = HashBytes(client.data(), client.size());
    return std::min(hash | (quint64(1) << 63), FlatMap<Present>::kEmpty - 1);
}

// Whether a client key is an IPv4 address's number, which gives its text back.
inline bool IsAddressKey(quint64 client) { return (client >> 63) == 0; }

inline QString AddressOfKey(quint64 client)
{
    return QStringLiteral("%1.%2.%3.%4").arg(client >> 24).arg((client >> 16) & 0xff).arg((client >> 8) & 0xff).arg(client & 0xff);
}
