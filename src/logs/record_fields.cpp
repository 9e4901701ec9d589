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
    const char *mark = static_cast<const char *>(std::memchr(begin, '?', size_t(end - begin)));
    page = QByteArrayView(begin, mark ? mark : end);
    if (query)
        *query = mark ? QueryAfter(QByteArrayView(mark, end)) : QByteArrayView();
    return true;
}

bool PageOfRequestLine(QByteArrayView request, QByteArrayView &page, QByteArrayView *query)
{
    const qsizetype firstSpace = request.indexOf(' ');
    const qsizetype lastSpace = request.lastIndexOf(' ');
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
        p = static_cast<const char *>(std::memchr(p, '"', size_t(end - p)));
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
