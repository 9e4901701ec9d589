#pragma once

#include "overview/flat_map.h"
#include "overview/record_keys.h"
#include "common/table_memory.h"

#include <algorithm>
#include <vector>

// An agent's requests per (page, status) pair (a PairKey), with the time of
// the latest: the overview's largest tables, looked up once a record.
//
// Most requests are answered 200, and a crawler of a large site asks for a
// large share of its pages: an agent's 200s are kept in an array by page id,
// one word a page, beside a hash table for every other pair. Where most ids
// are asked, a word a page is well under half the room of a pair in the hash
// table (a 16-byte slot, up to half of the slots empty), needs no probing,
// and the pages first met, mostly the popular ones, lie together. An agent
// that asks for few of many pages would leave most of such an array empty,
// so its 200s move into one only once they fill at least a quarter of it:
// at worst about the room they took in the hash table.
class PairCounts
{
public:
    struct Tally
    {
        qint64 requests = 0;
        qint64 lastTime = 0;  // TimeKey of the latest record; 0 when none had a date
    };

    // `pageCount`: ids given so far (at least `key`'s page + 1 for a page).
    void add(quint64 key, qint64 requests, qint64 time, std::size_t pageCount)
    {
        PairWord *word = nullptr;
        if (isArrayKey(key)) {
            word = &array_[std::size_t(PageOfPair(key))];
            arrayPairs_ += !word->present();
        } else {
            word = &tableOf(key)[key];
        }
        if (const qint64 handedBack = word->add(requests, time))
            handedBack_[key] += handedBack;
        if (beyond_.size() >= nextLook_)
            considerArray(pageCount);
    }

    // Starts loading where `key` is counted (see FlatMap::prefetch).
    // Always inlined: GCC finds a prefetching function free of effects and
    // leaves out calls to it that it has not inlined yet.
    [[gnu::always_inline]] void prefetch(quint64 key) const
    {
        if (isArrayKey(key))
            __builtin_prefetch(array_.data() + PageOfPair(key));
        else
            tableOf(key).prefetch(key);
    }

    std::size_t size() const { return arrayPairs_ + beyond_.size() + others_.size(); }

    // Counts every pair of `from` under the key `ownKey(key)` gives it.
    template <typename OwnKey>
    void addAll(const PairCounts &from, OwnKey ownKey, std::size_t pageCount)
    {
        if (!from.array_.empty() && array_.size() < pageCount)
            moveToArray(pageCount);
        others_.reserve(others_.size() + from.others_.size());
        from.forEach([&](quint64 key, Tally tally) { add(ownKey(key), tally.requests, tally.lastTime, pageCount); });
    }

    // Every pair, in no particular order.
    template <typename Visit>
    void forEach(Visit visit) const
    {
        for (std::size_t page = 0; page < array_.size(); ++page)
            if (array_[page].present()) {
                const quint64 key = PairKey(qint32(page), kArrayStatus);
                visit(key, tallyOf(key, array_[page]));
            }
        for (const FlatMap<PairWord> *table : {&beyond_, &others_})
            table->forEach([&](quint64 key, PairWord word) { visit(key, tallyOf(key, word)); });
    }

private:
    static constexpr int kArrayStatus = 200;

    // A Tally in one word: the TimeKey (a date up to 9999-12-31 takes 44
    // bits), a bit saying the pair was asked, the requests in the low 19
    // bits. Requests past what those bits hold are handed back, for the
    // table of the few pairs asked that often.
    class PairWord
    {
    public:
        bool present() const { return word_ != 0; }
        qint64 lastTime() const { return qint64(word_ >> kTimeShift); }
        qint64 requests() const { return qint64(word_ & kCountMax); }
        // Counts the requests; returns the requests to keep elsewhere (0 mostly).
        qint64 add(qint64 requests, qint64 time)
        {
            qint64 kept = this->requests() + requests;
            qint64 handedBack = 0;
            if (kept > qint64(kCountMax)) {
                handedBack = kept;
                kept = 0;
            }
            word_ = (quint64(std::max(lastTime(), time)) << kTimeShift) | kPresent | quint64(kept);
            return handedBack;
        }

    private:
        static constexpr int kCountBits = 19;
        static constexpr int kTimeShift = kCountBits + 1;
        static constexpr quint64 kPresent = quint64(1) << kCountBits;
        static constexpr quint64 kCountMax = kPresent - 1;
        quint64 word_ = 0;
    };

    // A page's 200 within the array (a queried target's id is negative: never).
    bool isArrayKey(quint64 key) const
    {
        return StatusOfPair(key) == kArrayStatus && std::size_t(quint32(PageOfPair(key))) < array_.size();
    }
    // The hash table of a pair not in the array.
    template <typename Self>
    static auto &tableOf(Self &self, quint64 key)
    {
        return StatusOfPair(key) == kArrayStatus && PageOfPair(key) >= 0 ? self.beyond_ : self.others_;
    }
    FlatMap<PairWord> &tableOf(quint64 key) { return tableOf(*this, key); }
    const FlatMap<PairWord> &tableOf(quint64 key) const { return tableOf(*this, key); }

    Tally tallyOf(quint64 key, PairWord word) const
    {
        const qint64 *more = handedBack_.size() != 0 ? handedBack_.find(key) : nullptr;
        return {word.requests() + (more ? *more : 0), word.lastTime()};
    }

    // Moves the 200s past the array's end into it, grown past `pageCount`,
    // when it would be at least a quarter full; else looks again once they
    // are twice as many.
    void considerArray(std::size_t pageCount);
    // Grows the array to `size` pages and moves the 200s past its end there.
    void moveToArray(std::size_t size);

    GrowingArray<PairWord> array_;  // by page id, the pages answered 200 (an all-zero word is absent)
    std::size_t arrayPairs_ = 0;   // present in array_
    FlatMap<PairWord> beyond_;     // pages answered 200, past the array's end
    std::size_t nextLook_ = 4096;  // beyond_'s size at which considerArray looks
    FlatMap<PairWord> others_;     // other statuses, and queried targets
    FlatMap<qint64> handedBack_;   // PairKey → the requests a PairWord handed back
};
