#include "common/byte_search.h"

#include <algorithm>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

// The bytes that bit 0x20 gives the needle's two anchor bytes, and where
// they stand in it: the bit folds ASCII letters to lower case; other bytes
// may then agree by accident, which the whole comparison sorts out.
struct Anchors
{
    char first;
    char last;
    qsizetype firstAt;
    qsizetype lastAt;
};

#if defined(__x86_64__)

// The candidates among the 32 positions from `at`, a bit each: where both
// anchor bytes agree.
__attribute__((target("avx2"), always_inline)) inline quint32 candidatesWithAvx2(const char *at, const Anchors &anchors,
                                                                                 __m256i first, __m256i last)
{
    const __m256i fold = _mm256_set1_epi8(0x20);
    const __m256i a = _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(at + anchors.firstAt)), fold);
    const __m256i b = _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(at + anchors.lastAt)), fold);
    return quint32(_mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(a, first), _mm256_cmpeq_epi8(b, last))));
}

// Candidates 64 positions at a time. Moves `p` to where the narrower search
// goes on when nothing was found.
template <typename Matcher>
__attribute__((target("avx2"))) const char *findWithAvx2(const char *&p, const char *lastStart,
                                                          const Anchors &anchors, const Matcher &matchesAt)
{
    const __m256i first = _mm256_set1_epi8(anchors.first);
    const __m256i last = _mm256_set1_epi8(anchors.last);
    // 64 positions a round: candidates are rare, and the loop costs less taken half as often.
    for (; lastStart - p >= 63; p += 64) {
        quint64 mask = candidatesWithAvx2(p, anchors, first, last)
            | (quint64(candidatesWithAvx2(p + 32, anchors, first, last)) << 32);
        for (; mask != 0; mask &= mask - 1)
            if (const char *candidate = p + __builtin_ctzll(mask); matchesAt(candidate))
                return candidate;
    }
    return nullptr;
}

// The same with SSE2, which every x86-64 processor has.
template <typename Matcher>
const char *findWithSse2(const char *&p, const char *lastStart, const Anchors &anchors, const Matcher &matchesAt)
{
    const __m128i fold = _mm_set1_epi8(0x20);
    const __m128i first = _mm_set1_epi8(anchors.first);
    const __m128i last = _mm_set1_epi8(anchors.last);
    for (; lastStart - p >= 15; p += 16) {
        const __m128i a = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p + anchors.firstAt)), fold);
        const __m128i b = _mm_or_si128(
            _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + anchors.lastAt)), fold);
        unsigned mask =
            unsigned(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
        for (; mask != 0; mask &= mask - 1)
            if (const char *candidate = p + __builtin_ctz(mask); matchesAt(candidate))
                return candidate;
    }
    return nullptr;
}

const bool kHasAvx2 = __builtin_cpu_supports("avx2");

#endif

}  // namespace

CaselessNeedle::CaselessNeedle(const QByteArray &needle, bool plusMatchesSpace)
    : folded_(needle), plusMatchesSpace_(plusMatchesSpace)
{
    for (char &c : folded_)
        c = static_cast<char>(fold(static_cast<unsigned char>(c)));
    auto isAnchor = [this](char c) { return !plusMatchesSpace_ || c != '+'; };
    const auto first = std::find_if(folded_.cbegin(), folded_.cend(), isAnchor);
    anchored_ = first != folded_.cend();
    if (anchored_) {
        firstAnchor_ = first - folded_.cbegin();
        lastAnchor_ = folded_.size() - 1 - (std::find_if(folded_.crbegin(), folded_.crend(), isAnchor) - folded_.crbegin());
    }
}

unsigned char CaselessNeedle::fold(unsigned char c) const
{
    return plusMatchesSpace_ && c == ' ' ? '+' : AsciiLower(c);
}

const char *CaselessNeedle::findIn(const char *begin, const char *end) const
{
    const qsizetype length = folded_.size();
    if (length == 0)
        return begin;
    if (end - begin < length)
        return end;
    const char *lastStart = end - length;
    // Called for every candidate: a lambda the searches take as a template
    // argument, so that it is inlined there.
    const auto matchesAt = [this, length](const char *position) {
        const auto *p = reinterpret_cast<const unsigned char *>(position);
        const auto *n = reinterpret_cast<const unsigned char *>(folded_.constData());
        for (qsizetype i = 0; i < length; ++i)
            if (fold(p[i]) != n[i])
                return false;
        return true;
    };
    const char *p = begin;
#if defined(__x86_64__)
    if (anchored_) {
        const Anchors anchors{static_cast<char>(folded_[firstAnchor_] | 0x20),
                              static_cast<char>(folded_[lastAnchor_] | 0x20), firstAnchor_, lastAnchor_};
        if (kHasAvx2)
            if (const char *found = findWithAvx2(p, lastStart, anchors, matchesAt))
                return found;
        if (const char *found = findWithSse2(p, lastStart, anchors, matchesAt))
            return found;
    }
#endif
    for (; p <= lastStart; ++p)
        if (matchesAt(p))
            return p;
    return end;
}
