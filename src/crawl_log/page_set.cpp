#include "crawl_log/page_set.h"

#include "common/hash_bytes.h"
#include "common/prepared_ahead.h"
#include "common/utf8.h"
#include "logs/log_text.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kBlockBytes = std::size_t(1) << 20;
// Pages whose lookups wait for memory together: enough to cover the time a
// slot takes to arrive.
constexpr std::size_t kQueueLength = 16;

std::uint64_t hashOf(QByteArrayView key, bool letterCaseMatters)
{
    return TableHash(key) ^ (letterCaseMatters ? 1 : 0);
}

// Whether a UTF-8 page's characters other than ASCII have no lower case of
// their own (Chinese ones, say): its lower case is then that of its ASCII
// letters.
bool caselessBeyondAscii(QByteArrayView utf8)
{
    const auto *p = reinterpret_cast<const unsigned char *>(utf8.data());
    const auto *end = p + utf8.size();
    while (p < end) {
        if (*p < 0x80) {
            ++p;
            continue;
        }
        // Valid UTF-8: the lead byte gives the length.
        const int length = *p >= 0xF0 ? 4 : *p >= 0xE0 ? 3 : 2;
        char32_t c = *p & (0x7F >> length);
        for (int i = 1; i < length; ++i)
            c = (c << 6) | (p[i] & 0x3F);
        p += length;
        if (c >= 0x4E00 && c <= 0x9FFF)  // CJK ideographs, the usual ones of a Chinese site, have no case
            continue;
        // An upper-case letter may have a lower case that is more than one
        // character (İ), which QChar::toLower() does not give.
        const QChar::Category category = QChar::category(c);
        if (QChar::toLower(c) != c || category == QChar::Letter_Uppercase || category == QChar::Letter_Titlecase)
            return false;
    }
    return true;
}

// Appends a page's bytes to `out` as its key, ASCII letters in lower case
// unless letter case matters, then the bytes as logged where they differ;
// returns the length of the text appended (0: the text is the key), and in
// `ascii` whether every byte was ASCII. One pass over the page, 16 bytes at
// a time: a crawl looks up a page for every hit.
qsizetype appendByteKey(QByteArrayView bytes, bool letterCaseMatters, QByteArray &out, bool &ascii)
{
    const qsizetype start = out.size();
    const qsizetype length = bytes.size();
    out.resize(start + 2 * length);
    const char *from = bytes.data();
    char *key = out.data() + start;
    const char caseBit = letterCaseMatters ? 0 : 0x20;
    unsigned high = 0;
    unsigned upper = 0;
    qsizetype i = 0;
#if defined(__SSE2__)
    // A page of 16 bytes or more in blocks of 16, the last one overlapping
    // the one before: the bytes read twice give the same key bytes again.
    for (; length >= 16 && i < length; i += 16) {
        i = std::min(i, length - 16);
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + i));
        // 'A' to 'Z' moved to the bottom of the signed bytes: exactly they fall below -102.
        const __m128i isUpper = _mm_cmplt_epi8(_mm_add_epi8(b, _mm_set1_epi8(0x3F)), _mm_set1_epi8(-102));
        high |= unsigned(_mm_movemask_epi8(b));
        upper |= unsigned(_mm_movemask_epi8(isUpper));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(key + i),
                         _mm_or_si128(b, _mm_and_si128(isUpper, _mm_set1_epi8(caseBit))));
    }
#endif
    for (; i < length; ++i) {
        const auto c = uchar(from[i]);
        const bool isUpper = c >= 'A' && c <= 'Z';
        high |= c & 0x80u;
        upper |= unsigned(isUpper);
        key[i] = char(isUpper ? c | uchar(caseBit) : c);
    }
    ascii = high == 0;
    if (letterCaseMatters || upper == 0) {
        out.truncate(start + length);
        return 0;
    }
    std::memcpy(key + length, from, std::size_t(length));
    return length;
}

// Appends the key of a page, then its text where that differs, when both
// can be taken from its bytes as logged without decoding them into text and
// back: ASCII, and UTF-8 where letter case matters or its characters beyond
// ASCII have no case, whose lower case is then that of its ASCII letters (the
// bytes of a character beyond ASCII are never ASCII). False, with nothing
// appended, for a page that must be decoded first.
bool appendKeyAsLogged(QByteArrayView bytes, bool letterCaseMatters, QByteArray &out, qsizetype &textLength)
{
    const qsizetype start = out.size();
    bool ascii = false;
    textLength = appendByteKey(bytes, letterCaseMatters, out, ascii);
    if (ascii || (Utf8::isValid(bytes) && (letterCaseMatters || caselessBeyondAscii(bytes))))
        return true;
    out.truncate(start);
    return false;
}

}  // namespace

bool PageSet::insert(const QString &page, bool letterCaseMatters)
{
    letterCaseMatters = letterCaseMatters && !page.isEmpty();
    const QByteArray text = page.toUtf8();
    if (letterCaseMatters)
        return insertKey(text, {}, true);
    const QByteArray key = page.toLower().toUtf8();
    return insertKey(key, key == text ? QByteArrayView() : QByteArrayView(text), false);
}

bool PageSet::insertLogged(QByteArrayView bytes, bool letterCaseMatters)
{
    const bool caseMatters = letterCaseMatters && !bytes.isEmpty();
    lowered_.truncate(0);
    qsizetype textLength = 0;
    if (!appendKeyAsLogged(bytes, caseMatters, lowered_, textLength))
        return insert(DecodeLogLine(bytes), letterCaseMatters);
    const QByteArrayView keyAndText(lowered_);
    return insertKey(keyAndText.first(bytes.size()), keyAndText.sliced(bytes.size()), caseMatters);
}

void PageSet::insertLoggedSoon(QByteArrayView bytes, bool letterCaseMatters)
{
    const bool caseMatters = letterCaseMatters && !bytes.isEmpty();
    const qsizetype start = queuedBytes_.size();
    qsizetype textLength = 0;
    if (!appendKeyAsLogged(bytes, caseMatters, queuedBytes_, textLength)) {
        flush();
        insert(DecodeLogLine(bytes), letterCaseMatters);
        return;
    }
    const std::uint64_t hash = hashOf(QByteArrayView(queuedBytes_).sliced(start, bytes.size()), caseMatters);
    index_.prefetch(hash);
    queued_.push_back(Queued{hash, bytes.size(), textLength, caseMatters});
    if (queued_.size() == kQueueLength)
        flush();
}

void PageSet::flush()
{
    const char *bytes = queuedBytes_.constData();
    for (const Queued &page : queued_) {
        const QByteArrayView key(bytes, page.keyLength);
        const QByteArrayView text(bytes + page.keyLength, page.textLength);
        insertKey(key, text, page.letterCaseMatters, page.hash);
        bytes += page.keyLength + page.textLength;
    }
    queued_.clear();
    queuedBytes_.truncate(0);  // keeps its room for the next pages
}

bool PageSet::insertKey(QByteArrayView key, QByteArrayView text, bool letterCaseMatters)
{
    return insertKey(key, text, letterCaseMatters, hashOf(key, letterCaseMatters));
}

bool PageSet::insertKey(QByteArrayView key, QByteArrayView text, bool letterCaseMatters, std::uint64_t hash)
{
    const auto number = std::uint32_t(entries_.size());
    auto sameKey = [&](std::uint32_t known) {
        const Entry &entry = entries_[known];
        return bool(entry.letterCaseMatters) == letterCaseMatters && SameBytes(keyOf(entry), key);
    };
    if (index_.findOrAdd(hash, number, sameKey) != number)
        return false;
    Entry entry{};
    entry.keyLength = std::uint32_t(key.size());
    entry.textLength = std::uint32_t(text.size());
    entry.letterCaseMatters = letterCaseMatters;
    char *bytes = reserveBytes(std::size_t(key.size() + text.size()), entry);
    if (!key.isEmpty())
        std::memcpy(bytes, key.data(), std::size_t(key.size()));
    if (!text.isEmpty())
        std::memcpy(bytes + key.size(), text.data(), std::size_t(text.size()));
    entries_.push_back(entry);
    hasEmptyPage_ = hasEmptyPage_ || key.isEmpty();
    return true;
}

char *PageSet::reserveBytes(std::size_t size, Entry &entry)
{
    if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < size) {
        blocks_.emplace_back();
        blocks_.back().reserve(std::max(kBlockBytes, size));
    }
    std::vector<char> &block = blocks_.back();
    entry.block = std::uint32_t(blocks_.size() - 1);
    entry.offset = std::uint32_t(block.size());
    block.resize(block.size() + size);
    return block.data() + entry.offset;
}

QByteArrayView PageSet::keyOf(const Entry &entry) const
{
    return QByteArrayView(blocks_[entry.block].data() + entry.offset, qsizetype(entry.keyLength));
}

QByteArrayView PageSet::textOf(const Entry &entry) const
{
    if (entry.textLength == 0)
        return keyOf(entry);
    return QByteArrayView(blocks_[entry.block].data() + entry.offset + entry.keyLength, qsizetype(entry.textLength));
}

void PageSet::merge(const PageSet &other)
{
    Q_ASSERT(queued_.empty() && other.queued_.empty());
    if (entries_.empty()) {
        *this = other;
        return;
    }
    // Room for all of them at once: growing step by step would place the
    // run's pages again and again.
    index_.reserve(entries_.size() + other.entries_.size());
    // The run's index outgrows the cache: as in insertLoggedSoon(), each
    // page's slot starts to load some pages before the page goes in.
    const GrowingArray<Entry> &pages = other.entries_;
    ForEachPreparedAhead(
        pages.size(),
        [&](std::size_t i) {
            const std::uint64_t hash = hashOf(other.keyOf(pages[i]), pages[i].letterCaseMatters);
            index_.prefetch(hash);
            return hash;
        },
        [&](std::size_t i, std::uint64_t hash) {
            const Entry &entry = pages[i];
            insertKey(other.keyOf(entry), entry.textLength == 0 ? QByteArrayView() : other.textOf(entry),
                      entry.letterCaseMatters, hash);
        });
}

void PageSet::merge(PageSet &&other)
{
    if (entries_.empty())
        *this = std::move(other);
    else
        merge(static_cast<const PageSet &>(other));
}

QStringList PageSet::pages() const
{
    Q_ASSERT(queued_.empty());
    QStringList pages;
    pages.reserve(size());
    for (const Entry &entry : entries_)
        pages.append(DecodeLogText(textOf(entry), TextEncoding::Utf8));
    return pages;
}

void PageSet::clear()
{
    index_.clear();
    entries_.clear();
    blocks_.clear();
    queued_.clear();
    queuedBytes_.clear();
    hasEmptyPage_ = false;
}
