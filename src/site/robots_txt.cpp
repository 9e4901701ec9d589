#include "site/robots_txt.h"

#include "common/cp936.h"
#include "common/utf8.h"
#include "site/url_key.h"

#include <algorithm>
#include <cstring>

namespace {

QByteArrayView trimmed(QByteArrayView text)
{
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t'))
        text = text.sliced(1);
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t'))
        text.chop(1);
    return text;
}

QString textOf(QByteArrayView bytes) { return Utf8::isValid(bytes) ? QString::fromUtf8(bytes) : Cp936::decode(bytes); }

// Where `piece` next occurs in `key` from `from` on; -1 when nowhere. With
// glibc's memmem: Qt's indexOf sets up its general search (a rolling hash or
// a skip table) on every call, which for pieces of a few bytes in keys of a
// few dozen costs more than the search itself.
qsizetype IndexOf(QByteArrayView key, QByteArrayView piece, qsizetype from)
{
    if (piece.isEmpty())
        return from <= key.size() ? from : -1;
    if (from >= key.size())
        return -1;
    const void *found = ::memmem(key.data() + from, std::size_t(key.size() - from), piece.data(), std::size_t(piece.size()));
    return found ? static_cast<const char *>(found) - key.data() : -1;
}

bool isKey(QByteArrayView key, const char *name) { return key.compare(QByteArrayView(name), Qt::CaseInsensitive) == 0; }

}  // namespace

RobotsTxt ParseRobotsTxt(QByteArrayView text)
{
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);
    RobotsTxt robots;
    bool takingAgents = false;  // the last line that counts named an agent
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r')
            ++end;
        QByteArrayView line = text.sliced(start, end - start);
        start = end + 1;
        if (const qsizetype comment = line.indexOf('#'); comment >= 0)
            line = line.first(comment);
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArrayView key = trimmed(line.first(colon));
        const QByteArrayView value = trimmed(line.sliced(colon + 1));
        if (isKey(key, "user-agent")) {
            if (!takingAgents)
                robots.groups.append(RobotsGroup{});
            robots.groups.back().agents.append(textOf(value));
            takingAgents = true;
        } else if (isKey(key, "allow") || isKey(key, "disallow")) {
            takingAgents = false;
            if (robots.groups.isEmpty() || value.isEmpty())
                continue;
            const bool allow = isKey(key, "allow");
            robots.groups.back().rules.append(
                {allow, UrlKey::ofPattern(value),
                 (allow ? QStringLiteral("Allow: ") : QStringLiteral("Disallow: ")) + textOf(value)});
        }
    }
    return robots;
}

RobotsMatcher::RobotsMatcher(const RobotsTxt &robots, const QStringList &tokens)
{
    auto gather = [&](const QString &token) {
        for (const RobotsGroup &group : robots.groups)
            for (const QString &agent : group.agents)
                if (agent.compare(token, Qt::CaseInsensitive) == 0) {
                    if (!group_)
                        group_ = agent;
                    rules_ += group.rules;
                    break;
                }
        return group_.has_value();
    };
    if (!std::any_of(tokens.begin(), tokens.end(), gather))
        gather(QStringLiteral("*"));

    for (int i = 0; i < rules_.size(); ++i) {
        QByteArrayView pattern = rules_[i].pattern;
        Compiled compiled;
        compiled.rule = i;
        compiled.anchored = pattern.endsWith('$');
        if (compiled.anchored)
            pattern.chop(1);
        qsizetype from = 0;
        for (qsizetype star; (star = pattern.indexOf('*', from)) >= 0; from = star + 1)
            compiled.pieces.append(pattern.sliced(from, star - from));
        compiled.pieces.append(pattern.sliced(from));
        for (const QByteArrayView piece : std::as_const(compiled.pieces))
            for (char c : piece)
                compiled.needs.add(uchar(c));
        byLength_.append(compiled);
    }
    std::stable_sort(byLength_.begin(), byLength_.end(), [this](const Compiled &a, const Compiled &b) {
        const RobotsRule &ruleA = rules_[a.rule];
        const RobotsRule &ruleB = rules_[b.rule];
        if (ruleA.pattern.size() != ruleB.pattern.size())
            return ruleA.pattern.size() > ruleB.pattern.size();
        return ruleA.allow && !ruleB.allow;
    });
}

bool RobotsMatcher::matches(const Compiled &pattern, QByteArrayView key)
{
    // Each piece after the first, where it first fits: the earliest place
    // leaves the most room for the rest.
    const QList<QByteArrayView> &pieces = pattern.pieces;
    if (!key.startsWith(pieces.front()))
        return false;
    if (pieces.size() == 1)
        return !pattern.anchored || key.size() == pieces.front().size();
    qsizetype at = pieces.front().size();
    for (qsizetype i = 1; i + 1 < pieces.size(); ++i) {
        const qsizetype found = IndexOf(key, pieces[i], at);
        if (found < 0)
            return false;
        at = found + pieces[i].size();
    }
    const QByteArrayView last = pieces.back();
    if (pattern.anchored)
        return key.size() - last.size() >= at && key.endsWith(last);
    return IndexOf(key, last, at) >= 0;
}

int RobotsMatcher::disallowingRule(QByteArrayView key) const
{
    static constexpr QByteArrayView kRobots("/robots.txt");
    if (key.startsWith(kRobots) && (key.size() == kRobots.size() || key[kRobots.size()] == '?'))
        return -1;
    ByteSet has;
    for (char c : key)
        has.add(uchar(c));
    for (const Compiled &compiled : byLength_)
        if (compiled.needs.within(has) && matches(compiled, key))
            return rules_[compiled.rule].allow ? -1 : compiled.rule;
    return -1;
}
