#pragma once

#include <QByteArrayView>

#include <cstdint>
#include <vector>

// A set of byte strings, asked once per crawler hit whether it knows the
// hit's page. Most hits repeat a page, so the lookup is the hot path: one
// flat table of hashes and offsets (open addressing) and one buffer holding
// every string, instead of a node, a string and a heap block per entry,
// whose pointer chasing and freeing took a tenth of a crawl run.
class ByteStringSet
{
public:
    ByteStringSet();

    // True when `bytes` was new (it is then stored), false when known.
    bool insert(QByteArrayView bytes);

private:
    struct Slot
    {
        std::uint64_t hash = 0;    // 0 for an empty slot: a stored hash is never 0
        std::size_t offset = 0;    // into bytes_; entries are never removed
        std::size_t length = 0;
        bool used() const { return hash != 0; }
    };

    bool equals(const Slot &slot, QByteArrayView bytes) const;
    void grow();

    std::vector<Slot> slots_;  // a power of two in size, at most half full
    std::vector<char> bytes_;
    std::size_t count_ = 0;
};
