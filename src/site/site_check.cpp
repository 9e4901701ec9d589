#include "site/site_check.h"

#include "overview/page_table.h"
#include "site/robots_txt.h"
#include "site/site_source.h"
#include "site/sitemap_reader.h"
#include "site/url_key.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <map>

namespace {

constexpr int kTopRules = 10;
constexpr qint32 kUnknown = -2;

bool IsValidAnswer(int status) { return (status >= 200 && status <= 299) || status == 304; }

bool IsCrawler(const AgentOverview &agent)
{
    return agent.id != QLatin1String("browser") && agent.id != QLatin1String("no-agent")
        && agent.id != QLatin1String("script");
}

bool IsRobotsTxt(QByteArrayView key)
{
    static constexpr QByteArrayView kRobots("/robots.txt");
    return key.startsWith(kRobots) && (key.size() == kRobots.size() || key[kRobots.size()] == '?');
}

// Each request target's key, worked out once for all agents. A target is a
// page (its id), or a queried target after the pages.
class TargetKeys
{
public:
    explicit TargetKeys(const OverviewResult &result)
        : result_(result), pageCount_(qint32(result.pageCount())),
          keys_(std::size_t(pageCount_ + result.queriedTargets.size()))
    {
    }

    qint32 count() const { return qint32(keys_.size()); }
    qint32 of(const TargetStatusRequests &pair) const { return pair.queried < 0 ? pair.page : pageCount_ + pair.queried; }
    bool w3c(qint32 target) const { return result_.pageTable->family(pageOf(target)) == LogFamily::W3c; }

    const QByteArray &key(qint32 target)
    {
        QByteArray &key = keys_[std::size_t(target)];
        if (key.isEmpty()) {
            const QByteArrayView query = target < pageCount_ ? QByteArrayView() : queried(target).query;
            key = UrlKey::of(result_.pageTable->bytes(pageOf(target)), query);
        }
        return key;
    }

    // What tells keys apart: W3C paths ignore letter case, and a W3C key is
    // never another family's.
    QByteArray distinct(qint32 target)
    {
        return w3c(target) ? 'w' + UrlKey::foldedPath(key(target)) : 'n' + key(target);
    }

private:
    const QueriedTarget &queried(qint32 target) const { return result_.queriedTargets[target - pageCount_]; }
    qint32 pageOf(qint32 target) const { return target < pageCount_ ? target : queried(target).page; }

    const OverviewResult &result_;
    qint32 pageCount_;
    std::vector<QByteArray> keys_;  // empty: not yet worked out (a key is never empty)
};

// The sitemap URLs a target stands for: W3C targets match ignoring the
// path's letter case, so they may stand for several.
class SitemapMatch
{
public:
    SitemapMatch(const SitemapSet &sitemap, TargetKeys &keys) : keys_(keys), matchOf_(std::size_t(keys.count()), kUnknown)
    {
        for (qsizetype url = 0; url < sitemap.keys.size(); ++url) {
            exact_.insert(sitemap.keys[url], int(matches_.size()));
            matches_.push_back({int(url)});
            QList<int> &folded = foldedUrls_[UrlKey::foldedPath(sitemap.keys[url])];
            folded.append(int(url));
        }
        for (auto folded = foldedUrls_.cbegin(); folded != foldedUrls_.cend(); ++folded) {
            folded_.insert(folded.key(), int(matches_.size()));
            matches_.push_back(folded.value());
        }
    }

    // The URLs' indices; empty when the sitemap lacks the target.
    const QList<int> &urls(qint32 target)
    {
        static const QList<int> kNone;
        qint32 &match = matchOf_[std::size_t(target)];
        if (match == kUnknown)
            match = keys_.w3c(target) ? folded_.value(UrlKey::foldedPath(keys_.key(target)), -1)
                                      : exact_.value(keys_.key(target), -1);
        return match < 0 ? kNone : matches_[std::size_t(match)];
    }

private:
    TargetKeys &keys_;
    QHash<QByteArray, int> exact_;
    QHash<QByteArray, int> folded_;
    QHash<QByteArray, QList<int>> foldedUrls_;
    std::vector<QList<int>> matches_;
    std::vector<qint32> matchOf_;
};

AgentCoverage CoverageOf(const AgentOverview &agent, const SitemapSet &sitemap, TargetKeys &keys, SitemapMatch &match,
                         QDate staleBefore)
{
    AgentCoverage coverage;
    coverage.urls.resize(std::size_t(sitemap.keys.size()));
    std::vector<bool> answered(coverage.urls.size());
    QSet<QByteArray> outside;
    for (const TargetStatusRequests &pair : agent.targetStatuses) {
        const qint32 target = keys.of(pair);
        const QList<int> &urls = match.urls(target);
        for (int url : urls) {
            SitemapUrlVisits &visits = coverage.urls[std::size_t(url)];
            visits.requests += pair.requests;
            if (visits.requests == pair.requests || pair.lastSeen > visits.latest
                || (pair.lastSeen == visits.latest && pair.status > visits.latestStatus)) {
                visits.latest = pair.lastSeen;
                visits.latestStatus = pair.status;
            }
            answered[std::size_t(url)] = answered[std::size_t(url)] || IsValidAnswer(pair.status);
        }
        if (urls.isEmpty() && IsValidAnswer(pair.status) && !IsRobotsTxt(keys.key(target)))
            outside.insert(keys.distinct(target));
    }
    for (std::size_t url = 0; url < coverage.urls.size(); ++url) {
        const SitemapUrlVisits &visits = coverage.urls[url];
        if (visits.requests == 0)
            continue;
        ++coverage.inSitemap;
        coverage.inSitemapOk += answered[url] ? 1 : 0;
        if (staleBefore.isValid() && visits.latest.isValid() && visits.latest.date() < staleBefore)
            ++coverage.stale;
    }
    coverage.never = qint64(coverage.urls.size()) - coverage.inSitemap;
    coverage.outside = outside.size();
    return coverage;
}

// One set of merged rules, with its verdict per target.
struct CompiledRules
{
    RobotsMatcher matcher;
    std::vector<qint32> verdicts;  // the disallowing rule, -1 allowed, kUnknown not yet asked
};

AgentRobots RobotsOf(const AgentOverview &agent, CompiledRules &rules, TargetKeys &keys)
{
    AgentRobots robots;
    robots.group = rules.matcher.group();
    QHash<QByteArray, DisallowedKey> disallowed;
    QHash<int, qint64> byRule;
    for (const TargetStatusRequests &pair : agent.targetStatuses) {
        const qint32 target = keys.of(pair);
        const QByteArray &key = keys.key(target);
        if (IsRobotsTxt(key)) {
            robots.robotsFetches += pair.requests;
            continue;
        }
        qint32 &verdict = rules.verdicts[std::size_t(target)];
        if (verdict == kUnknown)
            verdict = rules.matcher.disallowingRule(key);
        if (verdict < 0)
            continue;
        robots.disallowed += pair.requests;
        byRule[verdict] += pair.requests;
        DisallowedKey &entry = disallowed[keys.distinct(target)];
        if (entry.key.isEmpty())
            entry = {QString::fromLatin1(key), rules.matcher.rules()[verdict].text, 0};
        entry.requests += pair.requests;
    }
    robots.disallowedPages = disallowed.size();
    for (auto rule = byRule.cbegin(); rule != byRule.cend(); ++rule)
        robots.topRules.append({rules.matcher.rules()[rule.key()].text, rule.value()});
    // Rules of one text (the same line in two merged groups) count as one.
    std::map<QByteArray, qint64> byText;
    for (const RuleRequests &rule : std::as_const(robots.topRules))
        byText[rule.rule.toUtf8()] += rule.requests;
    robots.topRules.clear();
    for (const auto &[text, requests] : byText)
        robots.topRules.append({QString::fromUtf8(text), requests});
    std::stable_sort(robots.topRules.begin(), robots.topRules.end(),
                     [](const RuleRequests &a, const RuleRequests &b) { return a.requests > b.requests; });
    if (robots.topRules.size() > kTopRules)
        robots.topRules.resize(kTopRules);
    robots.keys = disallowed.values();
    std::sort(robots.keys.begin(), robots.keys.end(), [](const DisallowedKey &a, const DisallowedKey &b) {
        return a.requests != b.requests ? a.requests > b.requests : a.key < b.key;
    });
    return robots;
}

QStringList RobotsTokensOf(const AgentOverview &agent, const AgentCatalogue &catalogue)
{
    const CatalogueAgent *entry = catalogue.agent(agent.id);
    return entry ? entry->robotsTokenList() : QStringList();  // other bots: the "*" groups
}

RobotsTxt ReadRobots(const QString &address, SiteSource &source, RobotsTxtSummary &summary)
{
    summary.source = address;
    const SourceBytes raw = source.read(address, kMostRobotsTxtBytes);
    if (!raw.problem.isEmpty()) {
        summary.problem = raw.problem;
        return {};
    }
    if (raw.cut)
        summary.problem = QStringLiteral("超过 500 KiB，只读了前 500 KiB");
    RobotsTxt robots = ParseRobotsTxt(raw.bytes);
    summary.groups = int(robots.groups.size());
    return robots;
}

}  // namespace

void AddSiteFigures(OverviewResult &result, const SiteRequest &request, const AgentCatalogue &catalogue)
{
    SiteSource source;
    TargetKeys keys(result);
    std::optional<SitemapSet> sitemap;
    std::optional<SitemapMatch> match;
    if (!request.sitemaps.isEmpty()) {
        sitemap = ReadSitemaps(request.sitemaps, request.siteHost, source);
        match.emplace(*sitemap, keys);
        result.sitemap = sitemap->summary;
    }
    RobotsTxt robots;
    if (!request.robots.isEmpty()) {
        result.robotsTxt.emplace();
        robots = ReadRobots(request.robots, source, *result.robotsTxt);
    }
    const QDate staleBefore = result.days.isEmpty() ? QDate() : result.days.lastKey().addDays(-request.staleDays);

    // Agents whose tokens find the same group share its rules and verdicts.
    std::map<QString, CompiledRules> compiled;
    for (AgentOverview &agent : result.agents) {
        if (!IsCrawler(agent))
            continue;
        if (sitemap)
            agent.coverage = CoverageOf(agent, *sitemap, keys, *match, staleBefore);
        if (!result.robotsTxt)
            continue;
        RobotsMatcher matcher(robots, RobotsTokensOf(agent, catalogue));
        const QString group = matcher.group() ? u'g' + matcher.group()->toLower() : QString();
        auto found = compiled.find(group);
        if (found == compiled.end())
            found = compiled.emplace(group, CompiledRules{std::move(matcher), std::vector<qint32>(std::size_t(keys.count()), kUnknown)})
                        .first;
        agent.robots = RobotsOf(agent, found->second, keys);
    }
}
