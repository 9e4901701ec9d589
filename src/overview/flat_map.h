#pragma once

#include <QtGlobal>

#include <cstring>
#include <vector>

// A quick 64-bit hash of bytes, for the overview's tables: its keys are
// log text (agents, pages, addresses), not chosen to collide.
inline quint64 HashBytes(const char *bytes, qsizetype size)
{
    quint64 hash = 0x9e3779b97f4a7c15ULL ^ quint64(size);
    auto mix = [&hash](quint64 word) {
        hash = (hash ^ word) * 0xbf58476d1ce4e5b9ULL;
        hash ^= hash >> 31;
    };
    for (; size >= 8; bytes += 8, size -= 8) {
        quint64 word;
        std::memcpy(&word, bytes, 8);
        mix(word);
    }
    if (size > 0) {
        quint64 word = 0;
        std::memcpy(&word, bytes, std::size_t(size));
        mix(word);
    }
    hash = (hash ^ (hash >> 29)) * 0x94d049bb133111ebULL;
    return hash ^ (hash >> 32);
}

// Nothing to keep besides the key: a FlatMap<Present> is a set.
struct Present
{
};

// A hash map from 64-bit keys to small values, open addressing with each key
// beside its value: the per-agent tables of the overview hold millions of
// entries, for which node-based maps take several times the memory and a
// cache miss more per look-up. The key ~0 is reserved.
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
        if ((size_ + 1) * 2 > slots_.size()) {  // at most half full: short probes
            grow();
            slot = slotOf(key);
        }
        slots_[slot].key = key;
        ++size_;
        return slots_[slot].value;
    }

    void insert(quint64 key) { (*this)[key]; }
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

    // The key's slot, or the empty slot where it would go.
    std::size_t slotOf(quint64 key) const
    {
        const std::size_t mask = slots_.size() - 1;
        quint64 mixed = (key ^ (key >> 33)) * 0xff51afd7ed558ccdULL;
        std::size_t slot = std::size_t(mixed ^ (mixed >> 33)) & mask;
        while (slots_[slot].key != key && slots_[slot].key != kEmpty)
            slot = (slot + 1) & mask;
        return slot;
    }

    void grow()
    {
        std::vector<Slot> old(slots_.size() * 2);
        old.swap(slots_);
        for (const Slot &slot : old)
            if (slot.key != kEmpty)
                slots_[slotOf(slot.key)] = slot;
    }

    std::vector<Slot> slots_;
    std::size_t size_ = 0;
};
