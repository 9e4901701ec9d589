#include "crawl_log/byte_string_set.h"

#include <functional>
#include <string_view>

QByteArrayView ByteStringSet::entryBytes(std::size_t number) const
{
    const Entry &entry = entries_[number];
    return QByteArrayView(bytes_.data() + entry.offset, qsizetype(entry.length));
}

bool ByteStringSet::insert(QByteArrayView bytes)
{
    const std::uint64_t hash = std::hash<std::string_view>{}(std::string_view(bytes.data(), std::size_t(bytes.size())));
    const std::size_t number = entries_.size();
    if (index_.findOrAdd(hash, number, [&](std::size_t known) { return entryBytes(known) == bytes; }) != number)
        return false;
    entries_.push_back(Entry{bytes_.size(), std::size_t(bytes.size())});
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return true;
}
