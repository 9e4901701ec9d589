#include "common/utf8.h"

#include <cstdint>
#include <cstring>

namespace Utf8 {

bool isAscii(QByteArrayView bytes)
{
    const char *p = bytes.data();
    const char *end = p + bytes.size();
    // Eight bytes at a time: any high bit means a non-ASCII byte.
    for (; end - p >= 8; p += 8) {
        std::uint64_t word;
        std::memcpy(&word, p, sizeof word);
        if (word & 0x8080808080808080ULL)
            return false;
    }
    for (; p < end; ++p)
        if (static_cast<unsigned char>(*p) & 0x80)
            return false;
    return true;
}

bool isValid(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *end = p + bytes.size();
    while (p < end) {
        const unsigned char lead = *p;
        if (lead < 0x80) {
            // Runs of ASCII, as between the words of a log line, eight bytes at a time.
            std::uint64_t word;
            while (end - p >= 8 && (std::memcpy(&word, p, sizeof word), (word & 0x8080808080808080ULL) == 0))
                p += 8;
            if (p < end && *p < 0x80)
                ++p;
            continue;
        }
        int trailing;
        unsigned char low = 0x80, high = 0xBF;  // allowed range of the first trailing byte
        if (lead >= 0xC2 && lead <= 0xDF) {
            trailing = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            trailing = 2;
            if (lead == 0xE0)
                low = 0xA0;   // overlong
            else if (lead == 0xED)
                high = 0x9F;  // surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            trailing = 3;
            if (lead == 0xF0)
                low = 0x90;   // overlong
            else if (lead == 0xF4)
                high = 0x8F;  // above U+10FFFF
        } else {
            return false;
        }
        if (end - p <= trailing)
            return false;
        if (p[1] < low || p[1] > high)
            return false;
        for (int i = 2; i <= trailing; ++i)
            if (p[i] < 0x80 || p[i] > 0xBF)
                return false;
        p += trailing + 1;
    }
    return true;
}

}  // namespace Utf8
