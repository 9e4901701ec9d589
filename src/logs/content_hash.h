#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <array>

// A hash of a log's content as it streams by, in chunks of 4 KiB: the value
// can be taken at any length without disturbing what follows, and the value
// at 4 KiB (or at the end, when the content is shorter) is kept as the head.
// Same bytes, same values, however the content was cut into pieces.
class ContentHash
{
public:
    static constexpr qsizetype kHeadBytes = 4096;

    void add(QByteArrayView bytes);

    qint64 length() const { return length_; }
    // Of all bytes added so far.
    quint64 value() const;
    // Of the first min(length, kHeadBytes) bytes.
    quint64 headValue() const { return length_ >= kHeadBytes ? head_ : value(); }

    // The value of `bytes` alone.
    static quint64 of(QByteArrayView bytes);

private:
    void addChunk(const char *chunk);

    quint64 state_ = 0;
    quint64 head_ = 0;
    qint64 length_ = 0;
    qsizetype used_ = 0;  // bytes of the open chunk in chunk_
    std::array<char, kHeadBytes> chunk_;
};
