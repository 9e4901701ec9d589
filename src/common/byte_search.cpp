#include "common/byte_search.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

CaselessNeedle::CaselessNeedle(const QByteArray &needle) : lower_(needle)
{
    for (char &c : lower_)
        c = static_cast<char>(AsciiLower(static_cast<unsigned char>(c)));
}

bool CaselessNeedle::matchesAt(const char *position) const
{
    const auto *p = reinterpret_cast<const unsigned char *>(position);
    const auto *n = reinterpret_cast<const unsigned char *>(lower_.constData());
    for (qsizetype i = 0; i < lower_.size(); ++i)
        if (AsciiLower(p[i]) != n[i])
            return false;
    return true;
}

const char *CaselessNeedle::findIn(const char *begin, const char *end) const
{
    const qsizetype length = lower_.size();
    if (length == 0)
        return begin;
    if (end - begin < length)
        return end;
    const char *lastStart = end - length;
    const char *p = begin;
    // Setting bit 0x20 folds ASCII letters to lower case; other bytes may
    // then agree by accident, which matchesAt() sorts out.
    const char first = static_cast<char>(lower_.front() | 0x20);
    const char last = static_cast<char>(lower_.back() | 0x20);
#if defined(__SSE2__)
    const __m128i fold = _mm_set1_epi8(0x20);
    const __m128i firstBytes = _mm_set1_epi8(first);
    const __m128i lastBytes = _mm_set1_epi8(last);
    for (; lastStart - p >= 15; p += 16) {
        const __m128i a = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p)), fold);
        const __m128i b = _mm_or_si128(
            _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + length - 1)), fold);
        unsigned mask = unsigned(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpeq_epi8(a, firstBytes), _mm_cmpeq_epi8(b, lastBytes))));
        while (mask != 0) {
            const char *candidate = p + __builtin_ctz(mask);
            if (matchesAt(candidate))
                return candidate;
            mask &= mask - 1;
        }
    }
#endif
    for (; p <= lastStart; ++p)
        if ((p[0] | 0x20) == first && (p[length - 1] | 0x20) == last && matchesAt(p))
            return p;
    return end;
}
