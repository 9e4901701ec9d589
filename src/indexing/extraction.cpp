#include "indexing/extraction.h"

#include "common/cp936.h"
#include "common/text_rules.h"
#include "indexing/numeric_text.h"

#include <QStringList>

#include <limits>

namespace {

using Extracted = std::optional<qint64>;

// The page text a routine shortens step by step. Positions are 1-based and
// 0 means "not found", as the routines are written.
class Cut
{
public:
    explicit Cut(const QString &page) : s_(page) {}

    qsizetype find(QStringView marker) const { return s_.indexOf(marker, 0, Qt::CaseInsensitive) + 1; }
    // Find the first marker that occurs.
    qsizetype findEither(QStringView first, QStringView second) const
    {
        const qsizetype a = find(first);
        return a > 0 ? a : find(second);
    }
    void takeFrom(qsizetype position) { s_ = s_.mid(position - 1); }
    void takeBefore(qsizetype position) { s_.truncate(position - 1); }
    void trim() { s_ = TrimSpaces(s_); }
    void remove(QStringView marker) { s_.remove(marker.toString(), Qt::CaseInsensitive); }
    // Nothing when the text is no number (or too large for 64 bits).
    Extracted convert() const
    {
        const std::optional<NumericText> number = ParseNumericText(s_);
        return number ? number->rounded : std::nullopt;
    }

    // The steps most routines begin with: find the start marker, take from
    // `skip` characters after it, find the end marker, take what is before
    // it, trim. False when a marker is missing.
    bool cutBetween(QStringView start, qsizetype skip, QStringView end)
    {
        const qsizetype a = find(start);
        if (a == 0)
            return false;
        takeFrom(a + skip);
        const qsizetype b = find(end);
        if (b == 0)
            return false;
        takeBefore(b);
        trim();
        return true;
    }
    const QString &text() const { return s_; }

private:
    QString s_;
};

// The common shape: start marker, cut, end marker, trim, clean-up, convert.
Extracted between(const QString &page, QStringView start, qsizetype cut, QStringView end,
                  std::initializer_list<QStringView> removals)
{
    Cut s(page);
    if (!s.cutBetween(start, cut, end))
        return std::nullopt;
    for (QStringView removal : removals)
        s.remove(removal);
    return s.convert();
}

// a * 10000 + b; 0 when that leaves 64 bits, as the routine always gave.
qint64 tenThousands(qint64 a, qint64 b)
{
    qint64 product = 0;
    qint64 sum = 0;
    if (__builtin_mul_overflow(a, qint64(10000), &product) || __builtin_add_overflow(product, b, &sum))
        return 0;
    return sum;
}

// A part of Youdao's "万" form: numeric, a value too large for 64 bits
// counting 0 as it always did.
std::optional<qint64> youdaoPart(QStringView text)
{
    const std::optional<NumericText> number = ParseNumericText(text);
    if (!number)
        return std::nullopt;
    return number->rounded.value_or(0);
}

Extracted baiduCount(const QString &page) { return between(page, u"找到相关网页", 6, u"篇", {u",", u"约"}); }

Extracted yahooCount(const QString &page) { return between(page, u"找到相关网页", 6, u"条", {u",", u"约"}); }

Extracted sosoCount(const QString &page)
{
    // The cut 4 characters after the 3-character marker drops the character
    // that follows it too.
    return between(page, u"搜索到", 4, u"项结果", {u",", u"约"});
}

Extracted sogouCount(const QString &page)
{
    Cut s(page);
    if (!s.cutBetween(u"找到", 2, u"个网页"))
        return std::nullopt;
    if (const qsizetype c = s.find(u"<!"); c > 0) {
        s.takeBefore(c);
        s.trim();
    }
    s.remove(u",");
    s.remove(u"约");
    return s.convert();
}

Extracted msnCount(const QString &page)
{
    Cut s(page);
    const qsizetype a = s.findEither(u"，共", u"共");
    if (a == 0)
        return std::nullopt;
    s.takeFrom(a + 2);
    const qsizetype b = s.findEither(u"条搜索结果", u"条</span>");
    if (b == 0)
        return std::nullopt;
    s.takeBefore(b);
    s.trim();
    s.remove(u",");
    return s.convert();
}

Extracted youdaoCount(const QString &page)
{
    Cut s(page);
    if (!s.cutBetween(u"搜索到结果", 5, u"条"))
        return std::nullopt;
    for (QStringView removal : {u",", u"约", u"<b>", u"</b>", u"\r\n", u"\t", u"\n", u"\r"})
        s.remove(removal);
    if (const qsizetype c = s.find(u"-->"); c > 0) {
        s.takeFrom(c + 3);
        s.trim();
    }
    // Youdao writes large counts in 万 (ten thousand).
    const qsizetype d = s.find(u"万");
    if (d == 0)
        return s.convert();
    if (d == s.text().size()) {
        s.takeBefore(d);
        const std::optional<qint64> value = youdaoPart(s.text());
        return value ? Extracted(tenThousands(*value, 0)) : std::nullopt;
    }
    const QStringList parts = s.text().split(u'万');
    const std::optional<qint64> high = youdaoPart(parts[0]);
    const std::optional<qint64> low = youdaoPart(parts[1]);
    return high && low ? Extracted(tenThousands(*high, *low)) : std::nullopt;
}

Extracted googleCount(const QString &page)
{
    Cut s(page);
    s.remove(u"<B>");
    s.remove(u"</B>");
    QStringView endMarker;
    if (const qsizetype a = s.find(u"约有"); a > 0) {
        s.takeFrom(a + 2);
        endMarker = u"项符合";
    } else if (const qsizetype b = s.findEither(u"获得大约", u"获得约"); b > 0) {
        s.takeFrom(b + 4);
        endMarker = u"条";
    } else {
        const qsizetype c = s.find(u"共有");
        if (c == 0)
            return std::nullopt;
        s.takeFrom(c + 2);
        endMarker = u"个";
    }
    const qsizetype end = s.find(endMarker);
    if (end == 0)
        return std::nullopt;
    s.takeBefore(end);
    s.trim();
    return s.convert();  // digit-group commas are numeric as they stand
}

Extracted sogouRank(const QString &page)
{
    Cut s(page);
    if (!s.cutBetween(u"搜狗评级:", 5, u"&nbsp"))
        return std::nullopt;
    const qsizetype c = s.find(u"/");
    if (c == 0)
        return std::nullopt;
    s.takeBefore(c);
    s.trim();
    return s.convert();
}

Extracted chinaRank(const QString &page)
{
    Cut s(page);
    if (!s.cutBetween(u"cr_bg25.gif", 11, u"</td>"))
        return std::nullopt;
    const qsizetype c = s.find(u">");
    if (c == 0)
        return std::nullopt;
    s.takeFrom(c + 1);
    s.trim();
    return s.convert();
}

Extracted alexaRank(const QString &page)
{
    Cut s(page);
    if (!s.cutBetween(u"traffic rank in other countries", 31, u"</span>"))
        return std::nullopt;
    const qsizetype c = s.text().lastIndexOf(u'>') + 1;  // the one backward search, exact
    if (c == 0)
        return std::nullopt;
    s.takeFrom(c + 1);
    s.trim();
    s.remove(u",");
    s.trim();
    return s.convert();
}

struct NamedExtractor
{
    const char16_t *name;
    BuiltinExtractor extract;
};

constexpr NamedExtractor kBuiltinExtractors[] = {
    {u"baidu", baiduCount},   {u"google", googleCount},       {u"sogou", sogouCount},
    {u"yahoo", yahooCount},   {u"msn", msnCount},             {u"soso", sosoCount},
    {u"youdao", youdaoCount}, {u"sogourank", sogouRank},      {u"chinarank", chinaRank},
    {u"alexa", alexaRank},
};

}  // namespace

BuiltinExtractor FindBuiltinExtractor(QStringView name)
{
    for (const NamedExtractor &named : kBuiltinExtractors)
        if (name == QStringView(named.name))
            return named.extract;
    return nullptr;
}

QStringList BuiltinExtractorNames()
{
    QStringList names;
    for (const NamedExtractor &named : kBuiltinExtractors)
        names.append(QString::fromUtf16(named.name));
    return names;
}


QString 加万字(qint64 count)
{
    QString text = QString::number(count);
    if (text.size() > 4) {
        // The pattern "#万0000": the last four digits after 万, the rest before.
        const quint64 magnitude = count < 0 ? 0 - quint64(count) : quint64(count);
        const quint64 high = magnitude / 10000;
        text = (count < 0 ? QStringLiteral("-") : QString()) + (high > 0 ? QString::number(high) : QString())
            + u'万' + QStringLiteral("%1").arg(magnitude % 10000, 4, 10, QLatin1Char('0'));
    }
    const qsizetype padding = qMax<qsizetype>(0, 10 - AnsiByteLength(text));
    return QString(padding, u' ') + text + u'篇';
}

qsizetype AnsiByteLength(QStringView text) { return Cp936::byteLength(text); }
