#pragma once

#include "crawl_log/hash_index.h"

#include <QByteArrayView>

#include <vector>

// A set of byte strings, asked once per crawler hit whether it knows the
// hit's page: most hits repeat a page. The strings lie one after another in
// one buffer.
class ByteStringSet
{
public:
    // True when `bytes` was new (it is then stored), false when known.
    bool insert(QByteArrayView bytes);

private:
    struct Entry
    {
        std::size_t offset;  // into bytes_
        std::size_t length;
    };

    QByteArrayView entryBytes(std::size_t number) const;

    HashIndex index_;
    std::vector<Entry> entries_;
    std::vector<char> bytes_;
};
