#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>

// Distinct pages in the order first seen. Pages of W3C logs (IIS, Windows)
// are told apart without letter case: their key is "k" followed by the page
// in lower case, and the text first seen is kept. Pages of NCSA and custom
// logs (Linux servers) keep their letter case: their key is "c" followed by
// the page. So the two kinds are never the same page.
class PageSet
{
public:
    static QString keyOf(QStringView page, bool letterCaseMatters = false);

    // True when the page was new; a known key leaves the set unchanged.
    bool insert(const QString &page, bool letterCaseMatters = false);
    // Inserts the pages of `other` in its order.
    void merge(const PageSet &other);
    bool containsKey(const QString &key) const { return keys_.contains(key); }
    void clear();

    qsizetype size() const { return pages_.size(); }
    // The counts the reports give leave the empty page out.
    qsizetype countWithoutEmptyPage() const;
    const QStringList &pages() const { return pages_; }

private:
    bool insertKeyed(const QString &key, const QString &page);

    QSet<QString> keys_;
    QStringList pages_;
    QStringList keyOfPage_;  // by page, so that merging needs no case folding
};
