#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>

#include <algorithm>
#include <limits>
#include <tuple>
#include <vector>

// Requests of the other crawlers by the bot word of their agent, letter case
// ignored: the word in lower case is the key, the spelling met first (in the
// earliest input) is shown. A result lists the kListed words met first, so
// that a log of made-up agents stays small; a table keeps at most the words
// it was made for and leaves out the words new past them.
class BotWordCounts
{
public:
    static constexpr qsizetype kListed = 10000;
    static constexpr qsizetype kUnbounded = std::numeric_limits<qsizetype>::max();

    BotWordCounts() = default;
    explicit BotWordCounts(qsizetype most) : most_(most) {}

    struct Word
    {
        QByteArray spelt;
        qint64 requests = 0;
        qsizetype firstInput = 0;  // where it was first met
        qint64 firstOrder = 0;     // its place among the words new to the table that met it first
    };

    void add(QByteArrayView word, qint64 requests, qsizetype input = 0)
    {
        if (word.isEmpty())
            return;
        key_ = word.toByteArray().toLower();
        auto found = words_.find(key_);
        if (found == words_.end()) {
            if (words_.size() >= most_)
                return;
            found = words_.insert(key_, {word.toByteArray(), 0, input, nextOrder_++});
        }
        found->requests += requests;
    }
    // Another table's words, met by a reader of other inputs: an input is
    // read by one reader, so the words first met in it are ordered by it.
    void add(const BotWordCounts &other)
    {
        for (auto it = other.words_.cbegin(); it != other.words_.cend(); ++it) {
            auto found = words_.find(it.key());
            if (found == words_.end()) {
                if (words_.size() < most_)
                    words_.insert(it.key(), *it);
                continue;
            }
            found->requests += it->requests;
            if (metBefore(*it, *found)) {
                found->spelt = it->spelt;
                found->firstInput = it->firstInput;
                found->firstOrder = it->firstOrder;
            }
        }
    }

    const QHash<QByteArray, Word> &words() const { return words_; }  // by the lower-case word
    // The kListed words met first, in no order.
    std::vector<Word> listed() const
    {
        std::vector<Word> words(words_.cbegin(), words_.cend());
        if (qsizetype(words.size()) > kListed) {
            std::nth_element(words.begin(), words.begin() + kListed, words.end(), metBefore);
            words.resize(std::size_t(kListed));
        }
        return words;
    }

private:
    static bool metBefore(const Word &a, const Word &b)
    {
        return std::tie(a.firstInput, a.firstOrder) < std::tie(b.firstInput, b.firstOrder);
    }

    QHash<QByteArray, Word> words_;
    qsizetype most_ = kListed;
    qint64 nextOrder_ = 0;
    QByteArray key_;  // reused: a word met again allocates nothing
};
