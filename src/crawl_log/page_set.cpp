#include "crawl_log/page_set.h"

QString PageSet::keyOf(QStringView page, bool letterCaseMatters)
{
    if (letterCaseMatters && !page.isEmpty())
        return u'c' + page.toString();
    return u'k' + page.toString().toLower();
}

bool PageSet::insert(const QString &page, bool letterCaseMatters)
{
    return insertKeyed(keyOf(page, letterCaseMatters), page);
}

bool PageSet::insertKeyed(const QString &key, const QString &page)
{
    if (!keys_.insert(key).second)
        return false;
    pages_.append(page);
    keyOfPage_.append(key);
    return true;
}

void PageSet::merge(const PageSet &other)
{
    // Room for all of them at once: growing step by step rehashes the
    // run's pages again and again.
    keys_.reserve(keys_.size() + std::size_t(other.size()));
    for (qsizetype i = 0; i < other.pages_.size(); ++i)
        insertKeyed(other.keyOfPage_[i], other.pages_[i]);
}

void PageSet::clear()
{
    keys_.clear();
    pages_.clear();
    keyOfPage_.clear();
}

qsizetype PageSet::countWithoutEmptyPage() const
{
    return size() - (containsKey(QStringLiteral("k")) ? 1 : 0);
}
