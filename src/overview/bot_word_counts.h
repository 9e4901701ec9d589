#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>

// Requests of the other crawlers by the bot word of their agent, letter case
// ignored: the word in lower case is the key, the spelling met first (in the
// earliest input) is shown. Past kMost words a new word is not counted, so
// that a log of made-up agents stays small.
class BotWordCounts
{
public:
    static constexpr qsizetype kMost = 10000;

    struct Word
    {
        QByteArray spelt;
        qint64 requests = 0;
        qsizetype firstInput = 0;  // where it was first met
    };

    void add(QByteArrayView word, qint64 requests, qsizetype input = 0)
    {
        if (word.isEmpty())
            return;
        key_ = word.toByteArray().toLower();
        auto found = words_.find(key_);
        if (found == words_.end()) {
            if (words_.size() >= kMost)
                return;
            found = words_.insert(key_, {word.toByteArray(), 0, input});
        } else if (input < found->firstInput) {  // met in an earlier input by another reader
            found->spelt = word.toByteArray();
            found->firstInput = input;
        }
        found->requests += requests;
    }
    void add(const BotWordCounts &other)
    {
        for (const Word &word : other.words_)
            add(word.spelt, word.requests, word.firstInput);
    }

    const QHash<QByteArray, Word> &words() const { return words_; }  // by the lower-case word

private:
    QHash<QByteArray, Word> words_;
    QByteArray key_;  // reused: a word met again allocates nothing
};
