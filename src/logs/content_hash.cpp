#include "logs/content_hash.h"

#include "common/hash_bytes.h"

#include <algorithm>
#include <cstring>

namespace {

quint64 Mix(quint64 state, quint64 chunkHash)
{
    const quint64 mixed = (state ^ chunkHash) * 0x9e3779b97f4a7c15ULL;
    return mixed ^ (mixed >> 29);
}

}  // namespace

void ContentHash::addChunk(const char *chunk)
{
    state_ = Mix(state_, HashBytes(chunk, kHeadBytes));
    if (length_ == kHeadBytes)
        head_ = value();
}

void ContentHash::add(QByteArrayView bytes)
{
    const char *at = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        // Whole chunks go straight from the caller's bytes.
        if (used_ == 0 && left >= kHeadBytes) {
            length_ += kHeadBytes;
            addChunk(at);
            at += kHeadBytes;
            left -= kHeadBytes;
            continue;
        }
        const qsizetype taken = std::min(left, kHeadBytes - used_);
        std::memcpy(chunk_.data() + used_, at, std::size_t(taken));
        used_ += taken;
        length_ += taken;
        at += taken;
        left -= taken;
        if (used_ == kHeadBytes) {
            used_ = 0;
            addChunk(chunk_.data());
        }
    }
}

quint64 ContentHash::value() const
{
    if (used_ == 0)
        return Mix(state_, quint64(length_));
    return Mix(Mix(state_, HashBytes(chunk_.data(), used_)), quint64(length_));
}

quint64 ContentHash::of(QByteArrayView bytes)
{
    ContentHash hash;
    hash.add(bytes);
    return hash.value();
}
