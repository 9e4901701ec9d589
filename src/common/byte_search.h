#pragma once

#include <QByteArray>

#include <array>

// Finds an ASCII needle in bytes, ignoring the letter case of ASCII letters.
// The search compares the needle's first and last bytes 16 or 32 positions
// at a time (SSE2, AVX2) and checks the whole needle only where both agree,
// which keeps it near the speed of reading the bytes.
class CaselessNeedle
{
public:
    explicit CaselessNeedle(const QByteArray &needle);

    // First position in [begin, end) where the needle starts, or end.
    const char *findIn(const char *begin, const char *end) const;

private:
    QByteArray lower_;  // the needle in lower case
};

// ASCII lower case of one byte; other bytes unchanged.
inline unsigned char AsciiLower(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c | 0x20) : c;
}
