#include "overview/page_table.h"

#include "common/byte_search.h"
#include "common/cp936.h"
#include "common/utf8.h"

#include <QHashFunctions>

namespace {

quint32 hashOf(QByteArrayView key) { return quint32(qHash(key, 0x5ee1)); }

}  // namespace

PageTable::PageTable() : slots_(1024, -1), slotHashes_(1024, 0) {}

void PageTable::makeKey(QByteArrayView page, LogFamily family)
{
    // The family's rule is part of the key, so the families never meet.
    key_.clear();
    if (family != LogFamily::W3c) {
        key_.append('n').append(page);
    } else if (Utf8::isAscii(page)) {
        key_.resize(page.size() + 1);
        char *key = key_.data();
        key[0] = 'w';
        for (qsizetype i = 0; i < page.size(); ++i)
            key[i + 1] = char(AsciiLower(uchar(page[i])));
    } else {
        const QString text = Utf8::isValid(page) ? QString::fromUtf8(page) : Cp936::decode(page);
        key_.append('W').append(text.toLower().toUtf8());
    }
}

QByteArrayView PageTable::keyAt(qint32 id) const
{
    const quint32 begin = id == 0 ? 0 : keyEnds_[std::size_t(id) - 1];
    return QByteArrayView(keys_.constData() + begin, keyEnds_[std::size_t(id)] - begin);
}

QByteArrayView PageTable::bytes(qint32 id) const
{
    const quint32 begin = id == 0 ? 0 : displayEnds_[std::size_t(id) - 1];
    return QByteArrayView(displays_.constData() + begin, displayEnds_[std::size_t(id)] - begin);
}

QString PageTable::text(qint32 id) const
{
    const QByteArrayView page = bytes(id);
    return Utf8::isValid(page) ? QString::fromUtf8(page) : Cp936::decode(page);
}

QByteArray PageTable::utf8(qint32 id) const
{
    const QByteArrayView page = bytes(id);
    return Utf8::isValid(page) ? page.toByteArray() : Cp936::decode(page).toUtf8();
}

qint32 PageTable::intern(QByteArrayView page, LogFamily family)
{
    makeKey(page, family);
    const quint32 hash = hashOf(key_);
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = hash & mask;
    for (; slots_[slot] >= 0; slot = (slot + 1) & mask)
        if (slotHashes_[slot] == hash && keyAt(slots_[slot]) == key_)
            return slots_[slot];

    const qint32 id = qint32(size());
    displays_.append(page);
    keys_.append(key_);
    displayEnds_.push_back(quint32(displays_.size()));
    keyEnds_.push_back(quint32(keys_.size()));
    families_.push_back(family);
    slots_[slot] = id;
    slotHashes_[slot] = hash;
    if (std::size_t(size()) * 2 > slots_.size())
        grow();
    return id;
}

void PageTable::grow()
{
    std::vector<qint32> table(slots_.size() * 2, -1);
    std::vector<quint32> hashes(table.size(), 0);
    const std::size_t mask = table.size() - 1;
    for (std::size_t old = 0; old < slots_.size(); ++old) {
        if (slots_[old] < 0)
            continue;
        std::size_t slot = slotHashes_[old] & mask;
        while (table[slot] >= 0)
            slot = (slot + 1) & mask;
        table[slot] = slots_[old];
        hashes[slot] = slotHashes_[old];
    }
    slots_.swap(table);
    slotHashes_.swap(hashes);
}
