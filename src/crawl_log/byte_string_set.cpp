#include "crawl_log/byte_string_set.h"

#include <cstring>
#include <functional>
#include <string_view>

namespace {

std::uint64_t hashOf(QByteArrayView bytes)
{
    // Never 0, so that a used slot always differs from an empty one.
    const std::uint64_t hash = std::hash<std::string_view>{}(std::string_view(bytes.data(), std::size_t(bytes.size())));
    return hash | 1;
}

}  // namespace

ByteStringSet::ByteStringSet() : slots_(1024) {}

bool ByteStringSet::equals(const Slot &slot, QByteArrayView bytes) const
{
    return slot.length == std::size_t(bytes.size()) && std::memcmp(bytes_.data() + slot.offset, bytes.data(), slot.length) == 0;
}

bool ByteStringSet::insert(QByteArrayView bytes)
{
    const std::uint64_t hash = hashOf(bytes);
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = std::size_t(hash) & mask;
    for (; slots_[at].used(); at = (at + 1) & mask)
        if (slots_[at].hash == hash && equals(slots_[at], bytes))
            return false;
    Slot &slot = slots_[at];
    slot.hash = hash;
    slot.offset = bytes_.size();
    slot.length = std::size_t(bytes.size());
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    if (++count_ * 2 > slots_.size())
        grow();
    return true;
}

void ByteStringSet::grow()
{
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const Slot &slot : old) {
        if (!slot.used())
            continue;
        std::size_t at = std::size_t(slot.hash) & mask;
        while (slots_[at].used())
            at = (at + 1) & mask;
        slots_[at] = slot;
    }
}
