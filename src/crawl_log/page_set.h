#pragma once

#include <QHashFunctions>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <unordered_set>

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
    bool containsKey(const QString &key) const { return keys_.count(key) != 0; }
    void clear();

    qsizetype size() const { return pages_.size(); }
    // The counts the reports give leave the empty page out.
    qsizetype countWithoutEmptyPage() const;
    const QStringList &pages() const { return pages_; }

private:
    bool insertKeyed(const QString &key, const QString &page);

    // The set keeps each key's hash: a growing QSet would hash every key
    // again, which took a third of a crawl run's time.
    struct KeyHash {
        std::size_t operator()(const QString &key) const { return qHash(key); }
    };
    std::unordered_set<QString, KeyHash> keys_;
    QStringList pages_;
    QStringList keyOfPage_;  // by page, so that merging needs no case folding
};
