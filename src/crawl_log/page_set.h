#pragma once

#include "common/table_memory.h"
#include "crawl_log/hash_index.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// Distinct pages in the order first seen. Pages of W3C logs (IIS, Windows)
// are told apart without letter case: their key is the page in lower case,
// and the text first seen is kept. Pages of NCSA and custom logs (Linux
// servers) keep their letter case: their key is the page itself. A key also
// says which of the two it is, so the two kinds are never the same page; the
// empty page is always of the first kind.
//
// A crawl may see millions of pages, so each is kept compactly: its key in
// UTF-8 in one of a few large blocks, followed by the text first seen only
// where that differs from the key, and sixteen bytes of entry. Nothing is
// allocated per page.
class PageSet
{
public:
    // True when the page was new; a known key leaves the set unchanged.
    bool insert(const QString &page, bool letterCaseMatters = false);
    // The page as a log line holds it, read as UTF-8 or code page 936 by its
    // own bytes (see DecodeLogLine). An ASCII page, the usual one, and a UTF-8
    // one whose other characters have no letter case (Chinese) are looked up
    // without being decoded.
    bool insertLogged(QByteArrayView bytes, bool letterCaseMatters);
    // insertLogged() for a run of pages: their lookups are made several at a
    // time, which saves most of the wait for memory when the set is large.
    // The pages go in, in order, at the latest with flush(); the set must be
    // flushed before it is read or merged.
    void insertLoggedSoon(QByteArrayView bytes, bool letterCaseMatters);
    void flush();
    // Inserts the pages of `other` in its order; into an empty set they are
    // taken over as they are.
    void merge(const PageSet &other);
    void merge(PageSet &&other);
    void clear();

    qsizetype size() const { return qsizetype(entries_.size()); }
    // The counts the reports give leave the empty page out.
    qsizetype countWithoutEmptyPage() const { return size() - (hasEmptyPage_ ? 1 : 0); }
    QStringList pages() const;

private:
    struct Entry
    {
        std::uint32_t block;
        std::uint32_t offset;  // of the key in its block; the text follows when it differs
        std::uint32_t keyLength;
        std::uint32_t textLength : 31;  // 0: the text is the key
        std::uint32_t letterCaseMatters : 1;
    };

    // A page of insertLoggedSoon() whose key and text wait in queuedBytes_.
    struct Queued
    {
        std::uint64_t hash;
        qsizetype keyLength;
        qsizetype textLength;  // 0: the text is the key
        bool letterCaseMatters;
    };

    bool insertKey(QByteArrayView key, QByteArrayView text, bool letterCaseMatters);
    bool insertKey(QByteArrayView key, QByteArrayView text, bool letterCaseMatters, std::uint64_t hash);
    QByteArrayView keyOf(const Entry &entry) const;
    QByteArrayView textOf(const Entry &entry) const;
    // Room for `size` bytes in the last block, which never moves once written.
    char *reserveBytes(std::size_t size, Entry &entry);

    HashIndex index_;
    GrowingArray<Entry> entries_;
    std::vector<std::vector<char>> blocks_;
    QByteArray lowered_;  // the key (and text) of the page insertLogged() looks up by its bytes
    std::vector<Queued> queued_;
    QByteArray queuedBytes_;
    bool hasEmptyPage_ = false;
};
