#include "overview/page_table.h"

#include "common/byte_search.h"
#include "common/hash_bytes.h"
#include "common/cp936.h"
#include "common/utf8.h"
#include "overview/flat_map.h"

PageTable::PageTable() : slots_(64) {}

quint32 PageTable::hashOf(QByteArrayView key, KeyKind kind)
{
    return quint32(TableHash(key)) ^ quint32(kind);
}

QByteArrayView PageTable::lowerCase(QByteArrayView page)
{
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
    return QByteArrayView(displays_.data() + begin, displayEnds_[std::size_t(id)] - begin);
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

int PageTable::compareText(qint32 a, qint32 b) const
{
    const QByteArrayView textA = bytes(a);
    const QByteArrayView textB = bytes(b);
    if (Utf8::isValid(textA) && Utf8::isValid(textB))
        return textA.compare(textB);
    return utf8(a).compare(utf8(b));
}

PageTable::Prepared PageTable::prepare(QByteArrayView page, LogFamily family) const
{
    const quint32 hash = hashOf(page, family == LogFamily::W3c ? KeyKind::Spelling : KeyKind::Own);
    __builtin_prefetch(&slots_[hash & (slots_.size() - 1)]);
    return {page, hash, family};
}

qint32 PageTable::intern(const Prepared &prepared)
{
    const auto &[page, hash, family] = prepared;
    const KeyKind kind = family == LogFamily::W3c ? KeyKind::Spelling : KeyKind::Own;
    if (const Slot &known = slots_[find(page, hash, kind)]; known.id >= 0)
        return known.id;
    const quint32 begin = quint32(displays_.size());
    if (kind == KeyKind::Own) {
        const qint32 id = add(page, family);
        place({hash, id, begin, quint32(page.size()), quint32(kind), false});
        return id;
    }
    // A way of writing a W3C page not met before: the page in lower case
    // tells whether the page is new.
    const QByteArrayView folded = lowerCase(page);
    const quint32 foldedHash = hashOf(folded, KeyKind::Folded);
    qint32 id = slots_[find(folded, foldedHash, KeyKind::Folded)].id;
    if (id < 0) {
        id = add(page, family);
        place({foldedHash, id, quint32(keys_.size()), quint32(folded.size()), quint32(KeyKind::Folded), true});
        append(keys_, folded);
        place({hash, id, begin, quint32(page.size()), quint32(kind), false});
    } else {
        place({hash, id, quint32(keys_.size()), quint32(page.size()), quint32(kind), true});
        append(keys_, page);
    }
    return id;
}

std::size_t PageTable::find(QByteArrayView key, quint32 hash, KeyKind kind) const
{
    const std::size_t mask = slots_.size() - 1;
    std::size_t index = hash & mask;
    for (; slots_[index].id >= 0; index = (index + 1) & mask) {
        const Slot &slot = slots_[index];
        if (slot.hash == hash && KeyKind(slot.kind) == kind && SameBytes(keyAt(slot), key))
            break;
    }
    return index;
}

void PageTable::place(const Slot &slot)
{
    const std::size_t mask = slots_.size() - 1;
    std::size_t index = slot.hash & mask;
    while (slots_[index].id >= 0)
        index = (index + 1) & mask;
    slots_[index] = slot;
    if (++usedSlots_ * 4 > slots_.size() * 3)
        grow(slots_.size() * 2);
}

void PageTable::reserve(std::size_t pages, std::size_t bytes)
{
    std::size_t slotCount = slots_.size();
    while (pages * 4 > slotCount * 3)
        slotCount *= 2;
    if (slotCount > slots_.size())
        grow(slotCount);
    displays_.reserve(bytes);
    displayEnds_.reserve(pages);
    families_.reserve(pages);
}

qint32 PageTable::add(QByteArrayView page, LogFamily family)
{
    const qint32 id = qint32(size());
    append(displays_, page);
    displayEnds_.push_back(quint32(displays_.size()));
    families_.push_back(family);
    return id;
}

QByteArrayView PageTable::keyAt(const Slot &slot) const
{
    return QByteArrayView((slot.inKeys ? keys_ : displays_).data() + slot.keyBegin, slot.keySize);
}

void PageTable::grow(std::size_t slotCount)
{
    std::vector<Slot, TableAllocator<Slot>> old(slotCount);
    old.swap(slots_);
    usedSlots_ = 0;
    for (const Slot &slot : old)
        if (slot.id >= 0)
            place(slot);
}
