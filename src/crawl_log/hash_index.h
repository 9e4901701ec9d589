#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

// The lookup table behind the crawl run's sets of pages: it maps a hash to
// the numbers of the entries that have it, while the set keeps the entries
// in the order it needs. One flat array of (hash, number) pairs, at most half
// full, probed in a row: a lookup mostly touches one slot and nothing is
// allocated per entry. A node-based set (a node, a key copy and a heap block
// per page, hashed again when it grows and when files are merged) took about
// a quarter of a crawl run.
class HashIndex
{
public:
    // The number of the entry whose hash is `hash` and that `sameAs(number)`
    // accepts; when there is none, `newNumber` is entered for `hash` and
    // returned.
    template <class SameAs>
    std::size_t findOrAdd(std::uint64_t hash, std::size_t newNumber, SameAs sameAs)
    {
        if ((count_ + 1) * 2 > slots_.size())
            rehash(std::max<std::size_t>(16, slots_.size() * 2));
        const std::size_t mask = slots_.size() - 1;
        std::size_t at = std::size_t(hash) & mask;
        for (; slots_[at].number != kEmpty; at = (at + 1) & mask)
            if (slots_[at].hash == hash && sameAs(slots_[at].number))
                return slots_[at].number;
        slots_[at] = Slot{hash, newNumber};
        ++count_;
        return newNumber;
    }

    // Room for `count` entries without growing on the way.
    void reserve(std::size_t count)
    {
        std::size_t size = std::max<std::size_t>(16, slots_.size());
        while (count * 2 > size)
            size *= 2;
        if (size != slots_.size())
            rehash(size);
    }

    void clear()
    {
        slots_.clear();
        count_ = 0;
    }

private:
    static constexpr std::size_t kEmpty = SIZE_MAX;

    struct Slot
    {
        std::uint64_t hash = 0;
        std::size_t number = kEmpty;
    };

    // `size` is a power of two.
    void rehash(std::size_t size)
    {
        std::vector<Slot> old(size);
        old.swap(slots_);
        const std::size_t mask = size - 1;
        for (const Slot &slot : old) {
            if (slot.number == kEmpty)
                continue;
            std::size_t at = std::size_t(slot.hash) & mask;
            while (slots_[at].number != kEmpty)
                at = (at + 1) & mask;
            slots_[at] = slot;
        }
    }

    std::vector<Slot> slots_;  // empty, or a power of two in size
    std::size_t count_ = 0;
};
