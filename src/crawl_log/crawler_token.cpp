#include "crawl_log/crawler_token.h"

#include <QChar>

#include <algorithm>

CrawlerToken::CrawlerToken(const QString &token) : text_(token)
{
    for (char32_t c : token.toUcs4()) {
        if (c == U' ' || c == U'+')
            variants_.append({U' ', U'+', U'+'});
        else
            variants_.append({c, QChar::toLower(c), QChar::toUpper(c)});
    }
    const bool ascii = std::all_of(token.begin(), token.end(),
                                   [](QChar c) { return c.unicode() < 0x80; });
    searchableInBytes_ = ascii && !token.isEmpty() && !token.contains(u'\n') && !token.contains(u'\r');
    if (searchableInBytes_)
        asciiBytes_ = token.toLatin1();
    if (searchableInBytes_ && (token.contains(u' ') || token.contains(u'+'))) {
        percentEncodedBytes_ = asciiBytes_;
        percentEncodedBytes_.replace(' ', "%20").replace('+', "%20");
    }
}

bool CrawlerToken::occursIn(QStringView line) const
{
    const QList<uint> characters = line.toUcs4();
    const qsizetype length = variants_.size();
    for (qsizetype start = 0; start + length <= characters.size(); ++start) {
        bool matches = true;
        for (qsizetype i = 0; i < length && matches; ++i) {
            const Variants &v = variants_[i];
            const char32_t c = characters[start + i];
            matches = c == v[0] || c == v[1] || c == v[2];
        }
        if (matches)
            return true;
    }
    return false;
}
