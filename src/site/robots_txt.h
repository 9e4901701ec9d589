#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// robots.txt as RFC 9309 reads it: groups of rules, each group named by
// one or more User-agent lines in a row.

inline constexpr qsizetype kMostRobotsTxtBytes = 500 * 1024;  // read at most; the rest is left out

struct RobotsRule
{
    bool allow = false;
    QByteArray pattern;  // normalised as request keys are (UrlKey::ofPattern); never empty
    QString text;        // "Disallow: /admin/": the directive and the pattern as written
};

struct RobotsGroup
{
    QStringList agents;  // the User-agent values as written
    QList<RobotsRule> rules;
};

struct RobotsTxt
{
    QList<RobotsGroup> groups;  // as written, before merging
};

// Lines of "key: value"; '#' starts a comment; keys other than User-agent,
// Allow and Disallow (Sitemap, Crawl-delay, Host, ...) and rules before any
// User-agent line are ignored. An Allow or Disallow with no pattern matches
// nothing and is not kept (its group still applies).
RobotsTxt ParseRobotsTxt(QByteArrayView text);

// One agent's rules, compiled once: every group named by the first of its
// product tokens that names any (letter case ignored), merged; with none,
// the "*" groups; with none of those either, no rules.
class RobotsMatcher
{
public:
    RobotsMatcher(const RobotsTxt &robots, const QStringList &tokens);
    // The compiled patterns point into the rules' bytes: moved, never copied.
    RobotsMatcher(RobotsMatcher &&) = default;
    RobotsMatcher &operator=(RobotsMatcher &&) = default;
    RobotsMatcher(const RobotsMatcher &) = delete;
    RobotsMatcher &operator=(const RobotsMatcher &) = delete;

    // The User-agent value of the group that applied, as written; none: no rules.
    const std::optional<QString> &group() const { return group_; }
    const QList<RobotsRule> &rules() const { return rules_; }

    // The rule that disallows the key (index in rules()), -1 when allowed:
    // the longest matching pattern in octets decides, Allow on a tie, and
    // /robots.txt is always allowed.
    int disallowingRule(QByteArrayView key) const;

private:
    // The bytes a text holds, as a set: a pattern needs every byte it
    // spells out, so a key that lacks one cannot match (most keys meet most
    // rules that way, without a search).
    struct ByteSet
    {
        std::array<quint64, 4> bits{};
        void add(uchar c) { bits[c >> 6] |= quint64(1) << (c & 63); }
        bool within(const ByteSet &other) const
        {
            return ((bits[0] & ~other.bits[0]) | (bits[1] & ~other.bits[1]) | (bits[2] & ~other.bits[2])
                    | (bits[3] & ~other.bits[3])) == 0;
        }
    };

    struct Compiled
    {
        QList<QByteArrayView> pieces;  // the pattern cut at its '*'s
        bool anchored = false;         // it ended with '$'
        ByteSet needs;
        int rule = 0;
    };
    static bool matches(const Compiled &pattern, QByteArrayView key);

    std::optional<QString> group_;
    QList<RobotsRule> rules_;
    QList<Compiled> byLength_;  // longest pattern first, Allow before Disallow
};
