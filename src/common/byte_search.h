#pragma once

#include <QByteArray>

#include <array>

// Finds an ASCII needle in bytes, ignoring the letter case of ASCII letters,
// and with `plusMatchesSpace` taking '+' and ' ' for one another. The search
// compares two anchor bytes of the needle (its first and last, or the first
// and last that are neither '+' nor ' ') 16 or 64 positions at a time (SSE2,
// AVX2) and checks the whole needle only where both agree, which keeps it
// near the speed of reading the bytes.
class CaselessNeedle
{
public:
    explicit CaselessNeedle(const QByteArray &needle, bool plusMatchesSpace = false);

    // First position in [begin, end) where the needle starts, or end.
    const char *findIn(const char *begin, const char *end) const;

private:
    unsigned char fold(unsigned char c) const;

    QByteArray folded_;  // the needle in lower case, spaces as '+' when they match
    bool plusMatchesSpace_;
    qsizetype firstAnchor_ = 0;
    qsizetype lastAnchor_ = 0;
    bool anchored_ = false;  // false when every byte is '+' or ' '
};

// ASCII lower case of one byte; other bytes unchanged.
inline unsigned char AsciiLower(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c | 0x20) : c;
}
