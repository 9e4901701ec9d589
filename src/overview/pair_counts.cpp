#include "overview/pair_counts.h"

void PairCounts::considerArray(std::size_t pageCount)
{
    if ((arrayPairs_ + others200_) * 4 < pageCount) {
        nextLook_ = others200_ * 2;
        return;
    }
    moveToArray(pageCount + pageCount / 2);  // room for the pages still to come: the array grows seldom
}

void PairCounts::moveToArray(std::size_t size)
{
    array_.resize(size);
    FlatMap<PairWord> others;
    others.reserve(others_.size() - others200_);
    others_.forEach([&](quint64 key, PairWord word) {
        if (PairWord *inArray = this->inArray(key)) {
            *inArray = word;
            ++arrayPairs_;
        } else {
            others[key] = word;
        }
    });
    others_ = std::move(others);
    others200_ = 0;
    nextLook_ = std::max<std::size_t>(4096, array_.size() / 8);
}
