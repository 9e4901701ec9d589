#include "site/url_key.h"


namespace UrlKey {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isUnreserved(uchar c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
        || c == '_' || c == '~';
}

char *writeEscaped(char *out, uchar c)
{
    static const char digits[] = "0123456789ABCDEF";
    out[0] = '%';
    out[1] = digits[c >> 4];
    out[2] = digits[c & 15];
    return out + 3;
}

bool needsWork(uchar c) { return c == '%' || c == ' ' || c > 0x7f; }

void appendNormalised(QByteArray &to, QByteArrayView text)
{
    // Most keys are plain ASCII: what needs no work goes over in one piece.
    qsizetype plain = 0;
    while (plain < text.size() && !needsWork(uchar(text[plain])))
        ++plain;
    to.append(text.first(plain));
    if (plain == text.size())
        return;
    // The rest is written in place: room for every byte escaped, the unused room cut off at the end.
    const qsizetype start = to.size();
    to.resize(start + 3 * (text.size() - plain));
    char *out = to.data() + start;
    for (qsizetype i = plain; i < text.size(); ++i) {
        const uchar c = uchar(text[i]);
        const int high = c == '%' && i + 2 < text.size() ? hexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(text[i + 2]) : -1;
        if (low >= 0) {
            const uchar decoded = uchar(high * 16 + low);
            if (isUnreserved(decoded))
                *out++ = char(decoded);
            else
                out = writeEscaped(out, decoded);
            i += 2;
        } else if (needsWork(c)) {  // a '%' that starts no escape is a percent sign
            out = writeEscaped(out, c);
        } else {
            *out++ = char(c);
        }
    }
    to.truncate(out - to.constData());
}

}  // namespace

QByteArray of(QByteArrayView path, QByteArrayView query)
{
    QByteArray key;
    key.reserve(path.size() + query.size() + 2);
    appendTo(key, path, query);
    return key;
}

void appendTo(QByteArray &to, QByteArrayView path, QByteArrayView query)
{
    if (path.isEmpty())
        to += '/';
    appendNormalised(to, path);
    if (!query.isEmpty()) {
        to += '?';
        appendNormalised(to, query);
    }
}

QByteArray ofPattern(QByteArrayView pattern)
{
    QByteArray key;
    appendNormalised(key, pattern);
    return key;
}

QByteArray foldedPath(QByteArrayView key)
{
    QByteArray folded = key.toByteArray();
    foldPath(folded);
    return folded;
}

void foldPath(QByteArray &key, qsizetype from)
{
    char *bytes = key.data();
    for (qsizetype i = from; i < key.size() && bytes[i] != '?'; ++i) {
        if (bytes[i] == '%')
            i += 2;  // an escape's hex digits are upper case whatever the path
        else if (bytes[i] >= 'A' && bytes[i] <= 'Z')
            bytes[i] = char(bytes[i] - 'A' + 'a');
    }
}

bool split(const QString &url, QString &host, QByteArray &key)
{
    const QString text = url.trimmed();
    const qsizetype schemeEnd = text.indexOf(QLatin1String("://"));
    if (schemeEnd < 0)
        return false;
    const QString scheme = text.first(schemeEnd).toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return false;
    const qsizetype hostStart = schemeEnd + 3;
    qsizetype hostEnd = hostStart;
    while (hostEnd < text.size() && text[hostEnd] != u'/' && text[hostEnd] != u'?' && text[hostEnd] != u'#')
        ++hostEnd;
    QString authority = text.sliced(hostStart, hostEnd - hostStart);
    authority = authority.sliced(authority.lastIndexOf(u'@') + 1);  // no user info
    const qsizetype port = authority.startsWith(u'[') ? authority.indexOf(u']') + 1 : authority.indexOf(u':');
    host = (port > 0 ? authority.first(port) : authority).toLower();
    if (host.isEmpty())
        return false;
    QStringView rest = QStringView(text).sliced(hostEnd);
    if (const qsizetype fragment = rest.indexOf(u'#'); fragment >= 0)
        rest = rest.first(fragment);
    const qsizetype mark = rest.indexOf(u'?');
    const QByteArray path = (mark < 0 ? rest : rest.first(mark)).toUtf8();
    const QByteArray query = mark < 0 ? QByteArray() : rest.sliced(mark + 1).toUtf8();
    key = of(path, query);
    return true;
}

}  // namespace UrlKey
