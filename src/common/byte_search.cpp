#include "common/byte_search.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

bool matchesAt(const char *position, const QByteArray &lower)
{
    const auto *p = reinterpret_cast<const unsigned char *>(position);
    const auto *n = reinterpret_cast<const unsigned char *>(lower.constData());
    for (qsizetype i = 0; i < lower.size(); ++i)
        if (AsciiLower(p[i]) != n[i])
            return false;
    return true;
}

// The bytes that bit 0x20 gives the needle's first and last byte: it folds
// ASCII letters to lower case; other bytes may then agree by accident, which
// matchesAt() sorts out.
struct Anchors
{
    char first;
    char last;
    qsizetype length;
};

#if defined(__x86_64__)

// Candidates 32 positions at a time. Moves `p` to where the narrower search
// goes on when nothing was found.
__attribute__((target("avx2"))) const char *findWithAvx2(const char *&p, const char *lastStart,
                                                          const Anchors &anchors, const QByteArray &lower)
{
    const __m256i fold = _mm256_set1_epi8(0x20);
    const __m256i first = _mm256_set1_epi8(anchors.first);
    const __m256i last = _mm256_set1_epi8(anchors.last);
    for (; lastStart - p >= 31; p += 32) {
        const __m256i a = _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(p)), fold);
        const __m256i b = _mm256_or_si256(
            _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + anchors.length - 1)), fold);
        unsigned mask = unsigned(
            _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(a, first), _mm256_cmpeq_epi8(b, last))));
        for (; mask != 0; mask &= mask - 1)
            if (const char *candidate = p + __builtin_ctz(mask); matchesAt(candidate, lower))
                return candidate;
    }
    return nullptr;
}

// The same with SSE2, which every x86-64 processor has.
const char *findWithSse2(const char *&p, const char *lastStart, const Anchors &anchors, const QByteArray &lower)
{
    const __m128i fold = _mm_set1_epi8(0x20);
    const __m128i first = _mm_set1_epi8(anchors.first);
    const __m128i last = _mm_set1_epi8(anchors.last);
    for (; lastStart - p >= 15; p += 16) {
        const __m128i a = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p)), fold);
        const __m128i b = _mm_or_si128(
            _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + anchors.length - 1)), fold);
        unsigned mask =
            unsigned(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
        for (; mask != 0; mask &= mask - 1)
            if (const char *candidate = p + __builtin_ctz(mask); matchesAt(candidate, lower))
                return candidate;
    }
    return nullptr;
}

const bool kHasAvx2 = __builtin_cpu_supports("avx2");

#endif

}  // namespace

CaselessNeedle::CaselessNeedle(const QByteArray &needle) : lower_(needle)
{
    for (char &c : lower_)
        c = static_cast<char>(AsciiLower(static_cast<unsigned char>(c)));
}

const char *CaselessNeedle::findIn(const char *begin, const char *end) const
{
    const qsizetype length = lower_.size();
    if (length == 0)
        return begin;
    if (end - begin < length)
        return end;
    const char *lastStart = end - length;
    const Anchors anchors{static_cast<char>(lower_.front() | 0x20), static_cast<char>(lower_.back() | 0x20), length};
    const char *p = begin;
#if defined(__x86_64__)
    if (kHasAvx2)
        if (const char *found = findWithAvx2(p, lastStart, anchors, lower_))
            return found;
    if (const char *found = findWithSse2(p, lastStart, anchors, lower_))
        return found;
#endif
    for (; p <= lastStart; ++p)
        if ((p[0] | 0x20) == anchors.first && (p[length - 1] | 0x20) == anchors.last && matchesAt(p, lower_))
            return p;
    return end;
}
