#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>

// Distinct pages in the order first seen. The key of a page is "k" followed
// by the page in lower case, so pages that differ only in letter case are
// one page, shown with the text under which it was first seen.
class PageSet
{
public:
    static QString keyOf(QStringView page);

    // True when the page was new; a known key leaves the set unchanged.
    bool insert(const QString &page);
    bool containsKey(const QString &key) const { return keys_.contains(key); }
    void clear();

    qsizetype size() const { return pages_.size(); }
    // The counts the reports give leave the empty page out.
    qsizetype countWithoutEmptyPage() const;
    const QStringList &pages() const { return pages_; }

private:
    QSet<QString> keys_;
    QStringList pages_;
};
