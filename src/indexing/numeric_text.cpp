#include "indexing/numeric_text.h"

#include <limits>

namespace {

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// value * 10 + digit, unless that leaves 64 bits.
bool appendDigit(quint64 &value, int digit)
{
    constexpr quint64 limit = quint64(std::numeric_limits<qint64>::max()) + 1;  // |INT64_MIN|
    if (value > (limit - quint64(digit)) / 10)
        return false;
    value = value * 10 + quint64(digit);
    return true;
}

}  // namespace

std::optional<NumericText> ParseNumericText(QStringView text)
{
    qsizetype i = 0;
    qsizetype end = text.size();
    while (i < end && text[i] == u' ')
        ++i;
    while (end > i && text[end - 1] == u' ')
        --end;
    NumericText result;
    if (i < end && (text[i] == u'+' || text[i] == u'-'))
        result.negative = text[i++] == u'-';

    quint64 magnitude = 0;
    bool fits = true;
    bool digits = false;
    for (; i < end; ++i) {
        if (text[i] == u',') {
            // A separator stands between two digits.
            if (!digits || i + 1 >= end || !isDigit(text[i + 1]))
                return std::nullopt;
            continue;
        }
        if (!isDigit(text[i]))
            break;
        digits = true;
        const int digit = text[i].unicode() - u'0';
        result.zero = result.zero && digit == 0;
        fits = fits && appendDigit(magnitude, digit);
    }
    // Rounding: the first fraction digit decides, a 5 with nothing after it
    // goes to the even neighbour.
    int firstFraction = 0;
    bool restNonZero = false;
    if (i < end && text[i] == u'.') {
        ++i;
        const qsizetype fractionStart = i;
        for (; i < end && isDigit(text[i]); ++i) {
            const int digit = text[i].unicode() - u'0';
            if (i == fractionStart)
                firstFraction = digit;
            else
                restNonZero = restNonZero || digit != 0;
            result.zero = result.zero && digit == 0;
        }
        digits = digits || i > fractionStart;
    }
    if (i != end || !digits)
        return std::nullopt;

    const bool roundUp = firstFraction > 5 || (firstFraction == 5 && (restNonZero || (magnitude & 1) != 0));
    if (roundUp)
        ++magnitude;  // appendDigit() keeps it at most 2^63, so this cannot wrap
    constexpr quint64 largest = quint64(std::numeric_limits<qint64>::max());
    if (fits && (magnitude <= largest || (result.negative && magnitude == largest + 1)))
        result.rounded = result.negative ? qint64(0 - magnitude) : qint64(magnitude);
    return result;
}

