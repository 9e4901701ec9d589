#include "ranking/serp_results.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <optional>

namespace {

// "&#8250;" or "&#x203A;": the character, when the number names one.
std::optional<char32_t> numericEntity(QStringView digits)
{
    bool ok = false;
    const uint value = digits.startsWith(u'x', Qt::CaseInsensitive) ? digits.sliced(1).toUInt(&ok, 16)
                                                                    : digits.toUInt(&ok, 10);
    if (!ok || value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return std::nullopt;
    return char32_t(value);
}

std::optional<char32_t> entity(QStringView name)
{
    static const QHash<QString, char32_t> named = {{"amp", u'&'},  {"lt", u'<'},   {"gt", u'>'},
                                                   {"quot", u'"'}, {"apos", u'\''}, {"nbsp", 0xA0}};
    if (name.startsWith(u'#'))
        return numericEntity(name.sliced(1));
    const auto found = named.constFind(name.toString());
    if (found == named.cend())
        return std::nullopt;
    return *found;
}

QString withoutTags(const QString &text)
{
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    return QString(text).remove(tag);
}

QString cleanCapture(const QString &capture) { return DecodeHtmlEntities(withoutTags(capture)).trimmed(); }

bool endsHost(QChar c)
{
    return c == u'/' || c == u'?' || c == u'#' || c == u'›' || c == u':' || c.isSpace();
}

}  // namespace

QString DecodeHtmlEntities(QStringView text)
{
    QString decoded;
    decoded.reserve(text.size());
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype amp = text.indexOf(u'&', at);
        const qsizetype semicolon = amp < 0 ? -1 : text.indexOf(u';', amp + 1);
        // Entities are short; a far semicolon ends some other text.
        if (semicolon < 0 || semicolon - amp > 10) {
            const qsizetype to = amp < 0 ? text.size() : amp + 1;
            decoded += text.sliced(at, to - at);
            at = to;
            continue;
        }
        decoded += text.sliced(at, amp - at);
        if (const std::optional<char32_t> c = entity(text.sliced(amp + 1, semicolon - amp - 1)))
            decoded += QString::fromUcs4(&*c, 1);
        else
            decoded += text.sliced(amp, semicolon + 1 - amp);
        at = semicolon + 1;
    }
    return decoded;
}

QList<SerpResult> CutSerpResults(const SerpService &engine, const QString &page)
{
    QList<SerpResult> results;
    const bool excludes = !engine.exclude.pattern().isEmpty();
    for (const QRegularExpressionMatch &match : engine.results.globalMatch(page)) {
        const QString captured = cleanCapture(match.captured(1));
        if (captured.isEmpty())
            continue;  // a group that took no part: nothing to rank
        results.append({captured, excludes && engine.exclude.match(captured).hasMatch()});
    }
    return results;
}

QString ResultHost(QStringView captured)
{
    QStringView rest = captured.trimmed();
    const qsizetype scheme = rest.indexOf(QLatin1String("://"));
    if (scheme > 0 && std::none_of(rest.begin(), rest.begin() + scheme, endsHost))
        rest = rest.sliced(scheme + 3);
    else if (rest.startsWith(QLatin1String("//")))
        rest = rest.sliced(2);
    const auto end = std::find_if(rest.begin(), rest.end(), endsHost);
    QString host = rest.first(end - rest.begin()).toString().toLower();
    while (host.endsWith(u'.'))  // "example.com." names the same host
        host.chop(1);
    if (host.startsWith(QLatin1String("www.")))
        host.remove(0, 4);
    return host;
}

SiteMatcher::SiteMatcher(QStringView siteAddress, bool subdomains)
    : host_(ResultHost(siteAddress)), subdomains_(subdomains)
{
}

bool SiteMatcher::matches(QStringView captured) const
{
    if (host_.isEmpty())
        return false;
    const QString host = ResultHost(captured);
    if (host == host_)
        return true;
    return subdomains_ && host.size() > host_.size() && host.endsWith(host_)
        && host.at(host.size() - host_.size() - 1) == u'.';
}
