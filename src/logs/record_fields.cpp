#include "logs/record_fields.h"

#include <cstring>

namespace RecordFields {

namespace {

bool startsWithCaseless(QByteArrayView text, const char *prefix)
{
    const qsizetype length = qsizetype(std::strlen(prefix));
    if (text.size() < length)
        return false;
    for (qsizetype i = 0; i < length; ++i)
        if ((text[i] | 0x20) != prefix[i])
            return false;
    return true;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// `count` digits at text[at...] as a number; -1 when one is no digit.
int digits(QByteArrayView text, qsizetype at, int count)
{
    if (at + count > text.size())
        return -1;
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const char c = text[at + i];
        if (!isDigit(c))
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

int monthNumber(QByteArrayView name)
{
    static const char months[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
    for (int m = 0; m < 12; ++m)
        if (std::memcmp(months + 3 * m, name.data(), 3) == 0)
            return m + 1;
    return 0;
}

bool dayOf(int year, int month, int day, qint32 &result)
{
    if (year < 0 || month < 1 || month > 12 || day < 1 || day > 31)
        return false;
    result = year * 10000 + month * 100 + day;
    return true;
}

// "HH:MM:SS" at text[at...].
bool clockAt(QByteArrayView text, qsizetype at, qint32 &second)
{
    const int h = digits(text, at, 2);
    const int m = digits(text, at + 3, 2);
    const int s = digits(text, at + 6, 2);
    if (h < 0 || m < 0 || s < 0 || text[at + 2] != ':' || text[at + 5] != ':' || h > 23 || m > 59 || s > 60)
        return false;
    second = h * 3600 + m * 60 + s;
    return true;
}

// The civil date of a day count since 1970-01-01 (proleptic Gregorian).
qint32 civilDay(qint64 days)
{
    days += 719468;
    const qint64 era = (days >= 0 ? days : days - 146096) / 146097;
    const qint64 dayOfEra = days - era * 146097;
    const qint64 yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const qint64 dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const qint64 shifted = (5 * dayOfYear + 2) / 153;
    const qint64 day = dayOfYear - (153 * shifted + 2) / 5 + 1;
    const qint64 month = shifted < 10 ? shifted + 3 : shifted - 9;
    const qint64 year = yearOfEra + era * 400 + (month <= 2);
    return qint32(year * 10000 + month * 100 + day);
}

// The leading digits of `field`: their count, and their value when it fits.
qsizetype leadingDigits(QByteArrayView field, qint64 &value)
{
    qsizetype count = 0;
    value = 0;
    while (count < field.size() && isDigit(field[count])) {
        if (count < 18)
            value = value * 10 + (field[count] - '0');
        ++count;
    }
    return count;
}

// The query of "?a=1#top" (empty for an empty rest): "a=1".
QByteArrayView QueryAfter(QByteArrayView rest)
{
    if (rest.isEmpty())
        return {};
    rest = rest.sliced(1);
    const qsizetype fragment = rest.indexOf('#');
    return fragment < 0 ? rest : rest.first(fragment);
}

}  // namespace

bool PageOfTarget(QByteArrayView target, QByteArrayView &page, QByteArrayView *query)
{
    static const char root[] = "/";
    qsizetype start = 0;
    if (target.startsWith('/')) {
        start = 0;
    } else if (startsWithCaseless(target, "http://") || startsWithCaseless(target, "https://")) {
        const qsizetype hostStart = target[4] == ':' ? 7 : 8;
        qsizetype i = hostStart;
        while (i < target.size() && target[i] != '/' && target[i] != '?')
            ++i;
        if (i == hostStart)
            return false;
        if (i == target.size() || target[i] == '?') {
            page = QByteArrayView(root, 1);
            if (query)
                *query = QueryAfter(target.sliced(i));
            return true;
        }
        start = i;
    } else {
        return false;
    }
    const char *begin = target.data() + start;
    const char *end = target.data() + target.size();
    const char *mark = FindByte(begin, end, '?');
    page = QByteArrayView(begin, mark ? mark : end);
    if (query)
        *query = mark ? QueryAfter(QByteArrayView(mark, end)) : QByteArrayView();
    return true;
}

bool PageOfRequestLine(QByteArrayView request, QByteArrayView &page, QByteArrayView *query)
{
    // FindByte and memrchr: QByteArrayView's searches for one byte go through
    // Qt's general substring search, and every record of these formats has a request.
    if (request.isEmpty())
        return false;
    const char *first = FindByte(request.data(), request.data() + request.size(), ' ');
    const auto *last = static_cast<const char *>(::memrchr(request.data(), ' ', std::size_t(request.size())));
    const qsizetype firstSpace = first ? first - request.data() : -1;
    const qsizetype lastSpace = last ? last - request.data() : -1;
    if (firstSpace <= 0 || lastSpace <= firstSpace + 1)
        return false;
    for (qsizetype i = 0; i < firstSpace; ++i)
        if (request[i] < 'A' || request[i] > 'Z')
            return false;
    if (!request.sliced(lastSpace + 1).startsWith("HTTP/"))
        return false;
    return PageOfTarget(request.sliced(firstSpace + 1, lastSpace - firstSpace - 1), page, query);
}

qint16 Status(QByteArrayView field)
{
    if (field.size() != 3)
        return 0;
    const int value = digits(field, 0, 3);
    return qint16(value < 0 ? 0 : value);
}

qint64 Bytes(QByteArrayView field)
{
    if (field.isEmpty() || field.size() > 18)
        return 0;
    qint64 value = 0;
    for (char c : field) {
        if (!isDigit(c))
            return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool ClfTime(QByteArrayView field, qint32 &day, qint32 &second)
{
    // Some CDNs write the day of the month without its leading zero.
    if (field.size() > 1 && field.size() < 40 && field[1] == '/') {
        char padded[41] = {'0'};
        std::memcpy(padded + 1, field.data(), size_t(field.size()));
        return ClfTime(QByteArrayView(padded, field.size() + 1), day, second);
    }
    // dd/Mon/yyyy:HH:MM:SS, then the offset
    if (field.size() < 20 || field[2] != '/' || field[6] != '/' || field[11] != ':')
        return false;
    const int month = monthNumber(field.sliced(3, 3));
    return month != 0 && dayOf(digits(field, 7, 4), month, digits(field, 0, 2), day)
        && clockAt(field, 12, second);
}

bool IsoTime(QByteArrayView field, qint32 &day, qint32 &second)
{
    return field.size() >= 19 && field[10] == 'T' && W3cDate(field.first(10), day) && clockAt(field, 11, second);
}

bool CompactTime(QByteArrayView field, qint32 &day, qint32 &second)
{
    if (field.size() != 14)
        return false;
    const int h = digits(field, 8, 2);
    const int m = digits(field, 10, 2);
    const int s = digits(field, 12, 2);
    if (h < 0 || m < 0 || s < 0 || h > 23 || m > 59 || s > 60
        || !dayOf(digits(field, 0, 4), digits(field, 4, 2), digits(field, 6, 2), day))
        return false;
    second = h * 3600 + m * 60 + s;
    return true;
}

bool UnixSeconds(qint64 seconds, qint32 &day, qint32 &second)
{
    // Year 1970 to 9999: anything else is no time a log was written.
    if (seconds < 0 || seconds > 253402300799)
        return false;
    day = civilDay(seconds / 86400);
    second = qint32(seconds % 86400);
    return true;
}

bool UnixTime(QByteArrayView field, qint64 perSecond, qint32 &day, qint32 &second)
{
    qint64 count = 0;
    const qsizetype length = leadingDigits(field, count);
    if (length == 0 || length > 18)
        return false;
    if (length < field.size()) {
        // A fraction of the unit adds nothing a whole second shows.
        if (field[length] != '.')
            return false;
        for (char c : field.sliced(length + 1))
            if (!isDigit(c))
                return false;
    }
    return UnixSeconds(count / perSecond, day, second);
}

bool AnyTime(QByteArrayView field, qint32 &day, qint32 &second)
{
    if (field.size() >= 19 && field[4] == '-')
        return IsoTime(field, day, second);
    if (field.size() >= 20 && (field[2] == '/' || field[1] == '/'))
        return ClfTime(field, day, second);
    qint64 value = 0;
    const qsizetype length = leadingDigits(field, value);
    if (length == 14 && field.size() == 14)
        return CompactTime(field, day, second);
    const qint64 perSecond = length <= 11 ? 1 : length <= 14 ? 1000 : length <= 17 ? 1000000 : 1000000000;
    return UnixTime(field, perSecond, day, second);
}

bool W3cDate(QByteArrayView field, qint32 &day)
{
    return field.size() == 10 && field[4] == '-' && field[7] == '-'
        && dayOf(digits(field, 0, 4), digits(field, 5, 2), digits(field, 8, 2), day);
}

bool W3cTime(QByteArrayView field, qint32 &second)
{
    return field.size() >= 8 && clockAt(field, 0, second);
}

const char *ClosingQuote(const char *from, const char *end)
{
    for (const char *p = from; p < end; ++p) {
        p = FindByte(p, end, '"');
        if (!p)
            return nullptr;
        qsizetype backslashes = 0;
        while (p - backslashes > from && p[-1 - backslashes] == '\\')
            ++backslashes;
        if (backslashes % 2 == 0)
            return p;
    }
    return nullptr;
}

}  // namespace RecordFields
