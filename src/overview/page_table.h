#pragma once

#include "logs/log_record.h"

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
    qint32 intern(QByteArrayView page, LogFamily family);

    qsizetype size() const { return qsizetype(displayEnds_.size()); }
    QByteArrayView bytes(qint32 id) const;
    LogFamily family(qint32 id) const { return families_[std::size_t(id)]; }
    // Decoded from the page's own bytes: UTF-8 when they are valid UTF-8, else code page 936.
    QString text(qint32 id) const;
    // The decoded text as UTF-8, whose byte order is code-point order.
    QByteArray utf8(qint32 id) const;

private:
    struct Slot
    {
        quint32 hash = 0;
        qint32 id = -1;  // -1: empty
        quint32 keyBegin = 0;
        quint32 keySize : 31 = 0;
        bool w3cKey : 1 = false;  // the key is in keys_; else it is the page's own bytes in displays_
    };

    // W3C pages are looked up by their text in lower case (made in key_),
    // others by their own bytes.
    QByteArrayView keyOf(QByteArrayView page, LogFamily family);
    QByteArrayView keyAt(const Slot &slot) const;
    void grow();

    QByteArray displays_;  // every page's bytes, one after another
    QByteArray keys_;      // every W3C page's key, one after another
    std::vector<quint32> displayEnds_;
    std::vector<LogFamily> families_;
    std::vector<Slot> slots_;  // open addressing, at most half full
    QByteArray key_;  // reused, so that looking up a known page allocates nothing
};
