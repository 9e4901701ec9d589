#include "crawl_log/page_set.h"

QString PageSet::keyOf(QStringView page, bool letterCaseMatters)
{
    if (letterCaseMatters && !page.isEmpty())
        return u'c' + page.toString();
    return u'k' + page.toString().toLower();
}

bool PageSet::insert(const QString &page, bool letterCaseMatters)
{
    const qsizetype before = keys_.size();
    keys_.insert(keyOf(page, letterCaseMatters));
    if (keys_.size() == before)
        return false;
    pages_.append(page);
    letterCaseMatters_.append(letterCaseMatters);
    return true;
}

void PageSet::merge(const PageSet &other)
{
    for (qsizetype i = 0; i < other.pages_.size(); ++i)
        insert(other.pages_[i], other.letterCaseMatters_[i]);
}

void PageSet::clear()
{
    keys_.clear();
    pages_.clear();
    letterCaseMatters_.clear();
}

qsizetype PageSet::countWithoutEmptyPage() const
{
    return size() - (containsKey(QStringLiteral("k")) ? 1 : 0);
}
