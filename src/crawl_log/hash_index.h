#pragma once

#include "common/table_memory.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

// The lookup table behind the crawl run's set of pages: it maps a hash to
// the numbers of the entries that have it, while the set keeps the entries
// in the order it needs. One flat array of (hash, number) pairs, at most three
// quarters full, probed in a row (eight slots share a cache line): a lookup mostly touches one slot and nothing is
// allocated per entry. A slot is eight bytes (32 bits of the hash, a 32-bit
// number): with two million pages the table is a few dozen megabytes, and a
// page whose hash differs is told apart without reading its text.
class HashIndex
{
public:
    // The number of the entry whose hash is `hash` and that `sameAs(number)`
    // accepts; when there is none, `newNumber` is entered for `hash` and
    // returned.
    template <class SameAs>
    std::uint32_t findOrAdd(std::uint64_t hash, std::uint32_t newNumber, SameAs sameAs)
    {
        if ((count_ + 1) * 4 > slots_.size() * 3)
            rehash(std::max<std::size_t>(16, slots_.size() * 2));
        const std::uint32_t tag = std::uint32_t(hash);
        const std::size_t mask = slots_.size() - 1;
        std::size_t at = tag & mask;
        for (; slots_[at].number != kEmpty; at = (at + 1) & mask)
            if (slots_[at].tag == tag && sameAs(slots_[at].number))
                return slots_[at].number;
        slots_[at] = Slot{tag, newNumber};
        ++count_;
        return newNumber;
    }

    // Asks the processor to fetch the slot a lookup of `hash` begins with, so
    // that the lookups of several pages wait for memory together. Always
    // inlined: GCC finds a function that only prefetches free of effects and
    // may leave out calls to it that it has not inlined yet.
    [[gnu::always_inline]] void prefetch(std::uint64_t hash) const
    {
        if (!slots_.empty())
            __builtin_prefetch(&slots_[std::uint32_t(hash) & (slots_.size() - 1)]);
    }

    // Room for `count` entries without growing on the way.
    void reserve(std::size_t count)
    {
        std::size_t size = std::max<std::size_t>(16, slots_.size());
        while (count * 4 > size * 3)
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
    static constexpr std::uint32_t kEmpty = UINT32_MAX;

    struct Slot
    {
        std::uint32_t tag = 0;  // the hash's low 32 bits, which also place the slot
        std::uint32_t number = kEmpty;
    };

    // `size` is a power of two.
    void rehash(std::size_t size)
    {
        std::vector<Slot, TableAllocator<Slot>> old(size);
        old.swap(slots_);
        const std::size_t mask = size - 1;
        for (const Slot &slot : old) {
            if (slot.number == kEmpty)
                continue;
            std::size_t at = slot.tag & mask;
            while (slots_[at].number != kEmpty)
                at = (at + 1) & mask;
            slots_[at] = slot;
        }
    }

    std::vector<Slot, TableAllocator<Slot>> slots_;  // empty, or a power of two in size; large ones in huge pages
    std::size_t count_ = 0;
};
