#include "crawl_log/page_set.h"

#include <QHashFunctions>

PageSet::Key PageSet::keyOf(const QString &page, bool letterCaseMatters)
{
    letterCaseMatters = letterCaseMatters && !page.isEmpty();
    QString text = letterCaseMatters ? page : page.toLower();
    const std::size_t hash = qHash(text, letterCaseMatters ? 1 : 0);
    return Key{std::move(text), letterCaseMatters, hash};
}

bool PageSet::insert(const QString &page, bool letterCaseMatters)
{
    return insertKeyed(keyOf(page, letterCaseMatters), page);
}

bool PageSet::insertKeyed(const Key &key, const QString &page)
{
    const std::size_t number = keyOfPage_.size();
    if (index_.findOrAdd(key.hash, number, [&](std::size_t known) { return keyOfPage_[known] == key; }) != number)
        return false;
    pages_.append(page);
    keyOfPage_.push_back(key);
    hasEmptyPage_ = hasEmptyPage_ || page.isEmpty();
    return true;
}

void PageSet::merge(const PageSet &other)
{
    // Room for all of them at once: growing step by step would place the
    // run's pages again and again.
    index_.reserve(keyOfPage_.size() + other.keyOfPage_.size());
    for (qsizetype i = 0; i < other.pages_.size(); ++i)
        insertKeyed(other.keyOfPage_[std::size_t(i)], other.pages_[i]);
}

void PageSet::clear()
{
    index_.clear();
    pages_.clear();
    keyOfPage_.clear();
    hasEmptyPage_ = false;
}
