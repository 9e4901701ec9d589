#include "crawl_log/page_set.h"

QString PageSet::keyOf(QStringView page) { return u'k' + page.toString().toLower(); }

bool PageSet::insert(const QString &page)
{
    const qsizetype before = keys_.size();
    keys_.insert(keyOf(page));
    if (keys_.size() == before)
        return false;
    pages_.append(page);
    return true;
}

void PageSet::clear()
{
    keys_.clear();
    pages_.clear();
}

qsizetype PageSet::countWithoutEmptyPage() const
{
    return size() - (containsKey(QStringLiteral("k")) ? 1 : 0);
}
