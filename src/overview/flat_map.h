#pragma once

#include "common/hash_bytes.h"
#include "common/table_memory.h"

#include <QtGlobal>

#include <cstring>
#include <vector>

// Nothing to keep besides the key: a FlatMap<Present> is a set.
struct Present
{
};

// A hash map from 64-bit keys to small values, open addressing with each key
// beside its value: the per-agent tables of the overview hold millions of
// entries, for which node-based maps take several times the memory and a
// cache miss more per look-up. At most three quarters of the slots are used:
// keys are mixed well enough for short probes, and a table of millions of
// pages takes a third less room than at half. The key ~0 is reserved.
template <typename Value>
class FlatMap
{
public:
    static constexpr quint64 kEmpty = ~quint64(0);

    FlatMap() : slots_(16) {}

    // The value of `key`, default-made when new.
    Value &operator[](quint64 key)
    {
        std::size_t slot = slotOf(key);
        if (slots_[slot].key == key)
            return slots_[slot].value;
        if (tooFull(size_ + 1)) {
            grow();
            slot = slotOf(key);
        }
        slots_[slot].key = key;
        ++size_;
        return slots_[slot].value;
    }

    void insert(quint64 key) { (*this)[key]; }

    // The value of `key`; null when absent.
    const Value *find(quint64 key) const
    {
        const Slot &slot = slots_[slotOf(key)];
        return slot.key == key ? &slot.value : nullptr;
    }

    // Room for `count` keys without growing on the way: each growth moves
    // every key again.
    void reserve(std::size_t count)
    {
        while (tooFull(count))
            grow();
    }

    // Starts loading the slot where `key` lies or would go: a large table
    // misses the cache on most look-ups, and a caller that knows its key a
    // little before it needs the value hides that wait behind other work.
    // Always inlined: see PairCounts::prefetch.
    [[gnu::always_inline]] void prefetch(quint64 key) const { __builtin_prefetch(&slots_[homeOf(key)]); }
    std::size_t size() const { return size_; }

    template <typename Visit>
    void forEach(Visit visit) const
    {
        for (const Slot &slot : slots_)
            if (slot.key != kEmpty)
                visit(slot.key, slot.value);
    }

private:
    struct Slot
    {
        quint64 key = kEmpty;
        [[no_unique_address]] Value value{};
    };

    bool tooFull(std::size_t count) const { return count * 4 > slots_.size() * 3; }

    // Where probing for the key begins.
    std::size_t homeOf(quint64 key) const
    {
        const quint64 mixed = (key ^ (key >> 33)) * 0xff51afd7ed558ccdULL;
        return std::size_t(mixed ^ (mixed >> 33)) & (slots_.size() - 1);
    }

    // The key's slot, or the empty slot where it would go.
    std::size_t slotOf(quint64 key) const
    {
        const std::size_t mask = slots_.size() - 1;
        std::size_t slot = homeOf(key);
        while (slots_[slot].key != key && slots_[slot].key != kEmpty)
            slot = (slot + 1) & mask;
        return slot;
    }

    void grow()
    {
        std::vector<Slot, TableAllocator<Slot>> old(slots_.size() * 2);
        old.swap(slots_);
        for (const Slot &slot : old)
            if (slot.key != kEmpty)
                slots_[slotOf(slot.key)] = slot;
    }

    std::vector<Slot, TableAllocator<Slot>> slots_;
    std::size_t size_ = 0;
};
