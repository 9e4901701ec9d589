#pragma once

#include "logs/log_record.h"
#include "common/table_memory.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

// Distinct pages, each text stored once; callers keep the ids. W3C pages
// (IIS) ignore letter case, others keep it, and a W3C page is never another
// family's page. A page is shown under the text it was first seen with.
class PageTable
{
public:
    PageTable();

    // The id of the page, added when new.
    qint32 intern(QByteArrayView page, LogFamily family) { return intern(prepare(page, family)); }

    // A page made ready for intern(): the hash of its bytes, its slot
    // starting to load from memory (a table of many pages misses the cache),
    // so that other work can go on before intern() needs the slot.
    struct Prepared
    {
        QByteArrayView page;
        quint32 hash = 0;
        LogFamily family = LogFamily::W3c;
    };
    Prepared prepare(QByteArrayView page, LogFamily family) const;
    qint32 intern(const Prepared &page);

    // Room for `pages` pages of `bytes` bytes in all (the W3C ones under one
    // spelling), so that the table does not grow on the way to them.
    void reserve(std::size_t pages, std::size_t bytes);

    qsizetype size() const { return qsizetype(displayEnds_.size()); }
    std::size_t byteCount() const { return displays_.size(); }
    QByteArrayView bytes(qint32 id) const;
    LogFamily family(qint32 id) const { return families_[std::size_t(id)]; }
    // Decoded from the page's own bytes: UTF-8 when they are valid UTF-8, else code page 936.
    QString text(qint32 id) const;
    // The decoded text as UTF-8, whose byte order is code-point order.
    QByteArray utf8(qint32 id) const;
    // Compares two pages' texts as utf8() does, without copying pages that
    // are UTF-8 already: <0, 0 or >0.
    int compareText(qint32 a, qint32 b) const;

private:
    // What a slot's key is. A W3C page is known by its text in lower case;
    // as that costs a copy of the page (and Unicode work for other than
    // ASCII), each way it is written gets a slot too, which is what most
    // look-ups find.
    enum class KeyKind : quint8 {
        Own,       // a page of the families that keep letter case, by its bytes
        Spelling,  // a W3C page as some line wrote it
        Folded,    // a W3C page in lower case
    };

    struct Slot
    {
        quint32 hash = 0;
        qint32 id = -1;  // -1: empty
        quint32 keyBegin = 0;
        quint32 keySize : 29 = 0;
        quint32 kind : 2 = 0;    // a KeyKind
        quint32 inKeys : 1 = 0;  // the key is in keys_, else in displays_
    };

    static quint32 hashOf(QByteArrayView key, KeyKind kind);
    // The slot that holds the key, or the empty slot where it would go.
    std::size_t find(QByteArrayView key, quint32 hash, KeyKind kind) const;
    // Adds a key known to be absent.
    void place(const Slot &slot);
    // A new page: its id.
    qint32 add(QByteArrayView page, LogFamily family);
    QByteArrayView lowerCase(QByteArrayView page);  // made in key_
    QByteArrayView keyAt(const Slot &slot) const;
    void grow(std::size_t slotCount);

    // Bytes and per-page arrays grow with the pages, to hundreds of MiB on a
    // large site: in huge pages as the slots, growing where they lie.
    using Bytes = GrowingArray<char>;
    static void append(Bytes &bytes, QByteArrayView more) { bytes.append(more.data(), std::size_t(more.size())); }

    Bytes displays_;  // every page's bytes, one after another
    Bytes keys_;      // W3C pages in lower case, and the spellings met after a page's first
    GrowingArray<quint32> displayEnds_;
    GrowingArray<LogFamily> families_;
    std::vector<Slot, TableAllocator<Slot>> slots_;  // open addressing, at most three quarters full (as FlatMap)
    std::size_t usedSlots_ = 0;
    QByteArray key_;  // reused, so that folding a page allocates nothing
};
