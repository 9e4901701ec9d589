#pragma once

#include "crawl_log/hash_index.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

// Distinct pages in the order first seen. Pages of W3C logs (IIS, Windows)
// are told apart without letter case: their key is the page in lower case,
// and the text first seen is kept. Pages of NCSA and custom logs (Linux
// servers) keep their letter case: their key is the page itself. A key also
// says which of the two it is, so the two kinds are never the same page; the
// empty page is always of the first kind.
class PageSet
{
public:
    // True when the page was new; a known key leaves the set unchanged.
    bool insert(const QString &page, bool letterCaseMatters = false);
    // Inserts the pages of `other` in its order.
    void merge(const PageSet &other);
    void clear();

    qsizetype size() const { return pages_.size(); }
    // The counts the reports give leave the empty page out.
    qsizetype countWithoutEmptyPage() const { return size() - (hasEmptyPage_ ? 1 : 0); }
    const QStringList &pages() const { return pages_; }

private:
    struct Key
    {
        QString text;
        bool letterCaseMatters;
        std::size_t hash;  // kept, so that merging hashes nothing again
        bool operator==(const Key &other) const
        {
            return letterCaseMatters == other.letterCaseMatters && text == other.text;
        }
    };

    static Key keyOf(const QString &page, bool letterCaseMatters);
    bool insertKeyed(const Key &key, const QString &page);

    HashIndex index_;
    QStringList pages_;
    std::vector<Key> keyOfPage_;  // by page
    bool hasEmptyPage_ = false;
};
