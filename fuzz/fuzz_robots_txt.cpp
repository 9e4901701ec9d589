// Parses arbitrary robots.txt bytes, and checks the compiled matcher against
// a plain reading of the rules: every rule tried by backtracking, the
// longest pattern deciding, Allow on a tie.
#include "site/robots_txt.h"
#include "site/url_key.h"

#include <cstdint>
#include <cstdlib>

namespace {

// Does the pattern (its '*'s and a last '$' included) match the key from its start?
bool Glob(QByteArrayView pattern, QByteArrayView key)
{
    if (pattern.isEmpty())
        return true;
    if (pattern == "$")
        return key.isEmpty();
    if (pattern.front() == '*') {
        for (qsizetype skip = 0; skip <= key.size(); ++skip)
            if (Glob(pattern.sliced(1), key.sliced(skip)))
                return true;
        return false;
    }
    return !key.isEmpty() && key.front() == pattern.front() && Glob(pattern.sliced(1), key.sliced(1));
}

// -1 allowed, else the length of the deciding Disallow pattern.
qsizetype PlainVerdict(const QList<RobotsRule> &rules, QByteArrayView key)
{
    if (key == "/robots.txt" || key.startsWith("/robots.txt?"))
        return -1;
    qsizetype best = -1;
    bool allow = true;
    for (const RobotsRule &rule : rules) {
        const qsizetype length = rule.pattern.size();
        if (!Glob(rule.pattern, key) || length < best || (length == best && !rule.allow))
            continue;
        best = length;
        allow = rule.allow;
    }
    return allow ? -1 : best;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    // The last line is the key to ask about; the rest is the file.
    const qsizetype split = input.lastIndexOf('\n');
    const RobotsTxt robots = ParseRobotsTxt(split < 0 ? input : input.first(split));
    const QByteArray key = UrlKey::of(split < 0 ? QByteArrayView("/") : input.sliced(split + 1), {});
    for (const QStringList &tokens : {QStringList(), QStringList{"ExampleBot", "Googlebot"}}) {
        const RobotsMatcher matcher(robots, tokens);
        if (matcher.rules().size() > 64)  // the plain reading backtracks
            continue;
        for (const RobotsRule &rule : matcher.rules())
            if (rule.pattern.count('*') > 6)
                return 0;
        const int found = matcher.disallowingRule(key);
        const qsizetype expected = PlainVerdict(matcher.rules(), key);
        const qsizetype actual = found < 0 ? -1 : matcher.rules()[found].pattern.size();
        if (actual != expected)
            std::abort();
    }
    return 0;
}
