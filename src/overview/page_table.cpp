#include "overview/page_table.h"

#include "common/byte_search.h"
#include "common/cp936.h"
#include "common/utf8.h"
#include "overview/flat_map.h"

namespace {

quint32 hashOf(QByteArrayView key) { return quint32(HashBytes(key.data(), key.size())); }

}  // namespace

PageTable::PageTable() : slots_(1024) {}

QByteArrayView PageTable::keyOf(QByteArrayView page, LogFamily family)
{
    if (family != LogFamily::W3c)
        return page;
    key_.truncate(0);  // keeps its capacity
    if (Utf8::isAscii(page)) {
        key_.resize(page.size());
        char *key = key_.data();
        for (qsizetype i = 0; i < page.size(); ++i)
            key[i] = char(AsciiLower(uchar(page[i])));
    } else {
        const QString text = Utf8::isValid(page) ? QString::fromUtf8(page) : Cp936::decode(page);
        key_.append(text.toLower().toUtf8());
    }
    return key_;
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
    // The family is part of the key, so the families never meet.
    const bool w3c = family == LogFamily::W3c;
    const QByteArrayView key = keyOf(page, family);
    const quint32 hash = hashOf(key) ^ quint32(w3c);
    const std::size_t mask = slots_.size() - 1;
    std::size_t index = hash & mask;
    for (; slots_[index].id >= 0; index = (index + 1) & mask) {
        const Slot &slot = slots_[index];
        if (slot.hash == hash && slot.w3cKey == w3c && keyAt(slot) == key)
            return slot.id;
    }
    const qint32 id = qint32(size());
    if (w3c) {
        slots_[index] = {hash, id, quint32(keys_.size()), quint32(key.size()), true};
        keys_.append(key);
    } else {
        slots_[index] = {hash, id, quint32(displays_.size()), quint32(key.size()), false};
    }
    displays_.append(page);
    displayEnds_.push_back(quint32(displays_.size()));
    families_.push_back(family);
    if (std::size_t(size()) * 2 > slots_.size())
        grow();
    return id;
}

QByteArrayView PageTable::keyAt(const Slot &slot) const
{
    return QByteArrayView((slot.w3cKey ? keys_ : displays_).constData() + slot.keyBegin, slot.keySize);
}

void PageTable::grow()
{
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const Slot &slot : old) {
        if (slot.id < 0)
            continue;
        std::size_t index = slot.hash & mask;
        while (slots_[index].id >= 0)
            index = (index + 1) & mask;
        slots_[index] = slot;
    }
}
