#include "overview/pair_counts.h"

void PairCounts::considerArray(std::size_t pageCount)
{
    if ((arrayPairs_ + beyond_.size()) * 4 < pageCount) {
        nextLook_ = beyond_.size() * 2;
        return;
    }
    moveToArray(pageCount + pageCount / 2);  // room for the pages still to come: the array grows seldom
}

void PairCounts::moveToArray(std::size_t size)
{
    array_.resize(size);
    beyond_.forEach([&](quint64 key, PairWord word) { array_[std::size_t(PageOfPair(key))] = word; });
    arrayPairs_ += beyond_.size();
    beyond_ = {};
    nextLook_ = std::max<std::size_t>(4096, array_.size() / 8);
}
