#pragma once

#include <QtGlobal>

#include <vector>

// A hash map from 64-bit keys to small values, open addressing in flat
// arrays: the per-agent tables of the overview hold millions of entries, for
// which node-based maps take several times the memory. The key ~0 is reserved.
template <typename Value>
class FlatMap
{
public:
    static constexpr quint64 kEmpty = ~quint64(0);

    FlatMap() : keys_(16, kEmpty), values_(16) {}

    // The value of `key`, default-made when new.
    Value &operator[](quint64 key)
    {
        std::size_t slot = slotOf(key);
        if (keys_[slot] == key)
            return values_[slot];
        if ((size_ + 1) * 4 > keys_.size() * 3) {
            grow();
            slot = slotOf(key);
        }
        keys_[slot] = key;
        ++size_;
        return values_[slot];
    }

    std::size_t size() const { return size_; }

    template <typename Visit>
    void forEach(Visit visit) const
    {
        for (std::size_t slot = 0; slot < keys_.size(); ++slot)
            if (keys_[slot] != kEmpty)
                visit(keys_[slot], values_[slot]);
    }

private:
    static quint64 mix(quint64 key)
    {
        key ^= key >> 33;
        key *= 0xff51afd7ed558ccdULL;
        key ^= key >> 33;
        return key;
    }

    // The key's slot, or the empty slot where it would go.
    std::size_t slotOf(quint64 key) const
    {
        const std::size_t mask = keys_.size() - 1;
        std::size_t slot = std::size_t(mix(key)) & mask;
        while (keys_[slot] != key && keys_[slot] != kEmpty)
            slot = (slot + 1) & mask;
        return slot;
    }

    void grow()
    {
        std::vector<quint64> keys(keys_.size() * 2, kEmpty);
        std::vector<Value> values(keys.size());
        keys.swap(keys_);
        values.swap(values_);
        for (std::size_t slot = 0; slot < keys.size(); ++slot)
            if (keys[slot] != kEmpty) {
                const std::size_t to = slotOf(keys[slot]);
                keys_[to] = keys[slot];
                values_[to] = values[slot];
            }
    }

    std::vector<quint64> keys_;
    std::vector<Value> values_;
    std::size_t size_ = 0;
};
