#include "site/site_check.h"

#include "common/parallel_for.h"
#include "common/prepared_ahead.h"
#include "common/stop_flag.h"
#include "overview/page_table.h"
#include "site/robots_txt.h"
#include "site/site_source.h"
#include "site/sitemap_reader.h"
#include "site/url_key.h"

#include <QThread>

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <utility>

namespace {

constexpr int kTopRules = 10;
constexpr qint32 kUnknown = -2;

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

// Each request target's key, worked out once for all agents, and what it
// stands for: a target is a page (its id), or a queried target after the
// pages. Keys are told apart by a number: W3C paths ignore letter case, a
// W3C key is never another family's, and the sitemap's URLs come first, so
// that a target's number tells the URLs it stands for.
class TargetIndex
{
public:
    TargetIndex(const OverviewResult &result, const SitemapSet *sitemap)
        : result_(result), pageCount_(qint32(result.pageCount())),
          distinct_(std::size_t(pageCount_ + result.queriedTargets.size()), kNotAsked),
          robotsTxt_(distinct_.size())
    {
        QByteArray scratch;
        for (qsizetype url = 0; sitemap && url < sitemap->keys.size(); ++url) {
            // Once as an NCSA or custom log would ask for it, once as a W3C log would.
            for (const char family : {'n', 'w'}) {
                scratch = family + sitemap->keys[url];
                if (family == 'w')
                    UrlKey::foldPath(scratch, 1);
                const qint32 id = keys_.intern(scratch, LogFamily::Ncsa);
                urlsOf_.resize(std::size_t(keys_.size()));
                urlsOf_[std::size_t(id)].append(int(url));
            }
        }
        // Every target the crawlers asked for, agents and their targets in
        // order, so that a distinct key's first target is the first met that
        // way. Made, the index is read only, and may be read from several threads.
        std::vector<qint32> asked;
        for (const AgentOverview &agent : result.agents) {
            if (!IsCrawler(agent))
                continue;
            for (const TargetStatusRequests &pair : agent.targetStatuses) {
                const qint32 target = of(pair);
                if (distinct_[std::size_t(target)] == kNotAsked) {
                    distinct_[std::size_t(target)] = kAsked;
                    asked.push_back(target);
                }
            }
        }
        keys_.reserve(std::size_t(keys_.size()) + asked.size(), 0);
        // A key's slot loads while the keys before it are interned; a ring of
        // scratch buffers keeps each key until then.
        std::array<QByteArray, 32> ring;
        ForEachPreparedAhead(
            asked.size(),
            [&](std::size_t i) {
                QByteArray &key = ring[i % ring.size()];
                makeKey(asked[i], key);
                return keys_.prepare(key, LogFamily::Ncsa);
            },
            [&](std::size_t i, const PageTable::Prepared &key) { settle(asked[i], keys_.intern(key)); });
    }

    qint32 count() const { return qint32(distinct_.size()); }
    qint32 distinctCount() const { return qint32(keys_.size()); }
    qint32 of(const TargetStatusRequests &pair) const { return pair.queried < 0 ? pair.page : pageCount_ + pair.queried; }

    // The number of the target's key.
    qint32 distinct(qint32 target) const { return distinct_[std::size_t(target)]; }
    bool isRobotsTxt(qint32 target) const { return robotsTxt_[std::size_t(target)]; }
    // The sitemap URLs (indices) the target stands for; none when the sitemap lacks it.
    const QList<int> &sitemapUrls(qint32 target) const
    {
        static const QList<int> kNone;
        const qint32 id = distinct(target);
        return std::size_t(id) < urlsOf_.size() ? urlsOf_[std::size_t(id)] : kNone;
    }
    // The key as logged, made in `scratch` when it is not kept as it is.
    QByteArrayView key(qint32 target, QByteArray &scratch) const
    {
        const QByteArrayView kept = keys_.bytes(distinct(target));
        if (kept.front() == 'n')  // kept as it is
            return kept.sliced(1);
        scratch.truncate(0);
        appendKey(target, scratch);
        return scratch;
    }
    // A distinct key as the first target of it gives it.
    QByteArray keyText(qint32 id) const
    {
        QByteArray scratch;
        return key(firstTarget_[std::size_t(id)], scratch).toByteArray();
    }

private:
    static constexpr qint32 kNotAsked = -1;
    static constexpr qint32 kAsked = -2;  // while the index is made

    // The target's key, its family letter first (W3C paths in lower case).
    void makeKey(qint32 target, QByteArray &key)
    {
        const bool w3c = result_.pageTable->family(pageOf(target)) == LogFamily::W3c;
        key.truncate(0);
        key += w3c ? 'w' : 'n';
        appendKey(target, key);
        robotsTxt_[std::size_t(target)] = IsRobotsTxt(QByteArrayView(key).sliced(1));
        if (w3c)
            UrlKey::foldPath(key, 1);
    }
    void settle(qint32 target, qint32 id)
    {
        distinct_[std::size_t(target)] = id;
        if (std::size_t(id) >= firstTarget_.size())
            firstTarget_.resize(std::size_t(id) + 1, -1);
        if (firstTarget_[std::size_t(id)] < 0)
            firstTarget_[std::size_t(id)] = target;
    }
    const QueriedTarget &queried(qint32 target) const { return result_.queriedTargets[std::size_t(target - pageCount_)]; }
    qint32 pageOf(qint32 target) const { return target < pageCount_ ? target : queried(target).page; }
    void appendKey(qint32 target, QByteArray &to) const
    {
        const QByteArrayView query =
            target < pageCount_ ? QByteArrayView() : result_.queryTable->bytes(queried(target).query);
        UrlKey::appendTo(to, result_.pageTable->bytes(pageOf(target)), query);
    }

    const OverviewResult &result_;
    qint32 pageCount_;
    std::vector<qint32> distinct_;  // per target; kNotAsked: asked by no crawler
    std::vector<bool> robotsTxt_;   // per target, once worked out
    PageTable keys_;                // the distinct keys, family letter first
    std::vector<QList<int>> urlsOf_;    // per distinct key of the sitemap's
    std::vector<qint32> firstTarget_;  // per distinct key
};

AgentCoverage CoverageOf(const AgentOverview &agent, const SitemapSet &sitemap, const TargetIndex &targets,
                         QDate staleBefore)
{
    AgentCoverage coverage;
    coverage.urls.resize(std::size_t(sitemap.keys.size()));
    std::vector<bool> answered(coverage.urls.size());
    std::vector<qint32> outside;
    for (const TargetStatusRequests &pair : agent.targetStatuses) {
        const qint32 target = targets.of(pair);
        const QList<int> &urls = targets.sitemapUrls(target);
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
        if (urls.isEmpty() && IsValidAnswer(pair.status) && !targets.isRobotsTxt(target))
            outside.push_back(targets.distinct(target));
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
    std::sort(outside.begin(), outside.end());
    coverage.outside = std::unique(outside.begin(), outside.end()) - outside.begin();
    return coverage;
}

// One set of merged rules, with its verdict per target.
struct CompiledRules
{
    RobotsMatcher matcher;
    std::vector<qint32> verdicts;  // the disallowing rule, -1 allowed, kUnknown not yet asked
};

// A disallowed request: its distinct key and the rule that disallowed it.
struct DisallowedHit
{
    qint32 key;
    qint32 rule;
    qint64 requests;
};

// The rules that disallowed most requests; rules of one text (the same line
// in two merged groups) count as one.
QList<RuleRequests> TopRules(const std::vector<qint64> &byRule, const QList<RobotsRule> &rules)
{
    std::map<QByteArray, qint64> byText;
    for (std::size_t rule = 0; rule < byRule.size(); ++rule)
        if (byRule[rule] > 0)
            byText[rules[qsizetype(rule)].text.toUtf8()] += byRule[rule];
    QList<RuleRequests> top;
    for (const auto &[text, requests] : byText)
        top.append({QString::fromUtf8(text), requests});
    std::stable_sort(top.begin(), top.end(),
                     [](const RuleRequests &a, const RuleRequests &b) { return a.requests > b.requests; });
    if (top.size() > kTopRules)
        top.resize(kTopRules);
    return top;
}

// The texts of the keys a group's rules disallowed for any of its agents,
// made once for them all, and each key's place in text order (a W3C key and
// another of one text by number), so that an agent's keys are put in order
// by numbers rather than by comparing texts.
class KeyTexts
{
public:
    KeyTexts(const std::vector<std::vector<DisallowedHit>> &hitsOfAgents, const TargetIndex &targets)
        : placeOf_(std::size_t(targets.distinctCount()), -1)
    {
        std::vector<qint32> keys;
        for (const std::vector<DisallowedHit> &hits : hitsOfAgents)
            for (const DisallowedHit &hit : hits)
                if (std::exchange(placeOf_[std::size_t(hit.key)], 0) < 0)
                    keys.push_back(hit.key);
        std::vector<std::pair<QByteArray, qint32>> byText;  // ASCII: keys are percent-encoded
        byText.reserve(keys.size());
        for (qint32 key : keys)
            byText.emplace_back(targets.keyText(key), key);
        std::sort(byText.begin(), byText.end());
        texts_.reserve(qsizetype(byText.size()));
        for (const auto &[text, key] : byText) {
            placeOf_[std::size_t(key)] = qint32(texts_.size());
            texts_.append(QString::fromLatin1(text));
        }
    }

    qint32 placeOf(qint32 key) const { return placeOf_[std::size_t(key)]; }
    const QString &text(qint32 place) const { return texts_[place]; }

private:
    std::vector<qint32> placeOf_;  // per distinct key; -1: disallowed for none of the agents
    QStringList texts_;            // in text order
};

// Every disallowed key, most requests first, ties in text order: a key's
// targets (spellings, W3C letter case) add up under the rule of the first one met.
QList<DisallowedKey> DisallowedKeys(std::vector<DisallowedHit> hits, const QList<RobotsRule> &rules,
                                   const KeyTexts &texts)
{
    std::stable_sort(hits.begin(), hits.end(), [](const DisallowedHit &a, const DisallowedHit &b) { return a.key < b.key; });
    struct Key
    {
        qint64 requests;
        qint32 place;  // in text order
        qint32 rule;
    };
    std::vector<Key> keys;
    for (std::size_t i = 0; i < hits.size(); ++i) {
        if (i > 0 && hits[i].key == hits[i - 1].key)
            keys.back().requests += hits[i].requests;
        else
            keys.push_back({hits[i].requests, texts.placeOf(hits[i].key), hits[i].rule});
    }
    std::sort(keys.begin(), keys.end(), [](const Key &a, const Key &b) {
        return a.requests != b.requests ? a.requests > b.requests : a.place < b.place;
    });
    QList<DisallowedKey> list;
    list.reserve(qsizetype(keys.size()));
    for (const Key &key : keys)
        list.append({texts.text(key.place), rules[key.rule].text, key.requests});
    return list;
}

// An agent's robots.txt figures but the list of its disallowed keys, and the
// hits that list is made of.
AgentRobots RobotsOf(const AgentOverview &agent, CompiledRules &rules, const TargetIndex &targets,
                     std::vector<DisallowedHit> &hits)
{
    AgentRobots robots;
    QByteArray scratch;  // reused: a key allocates nothing
    robots.group = rules.matcher.group();
    std::vector<qint64> byRule(std::size_t(rules.matcher.rules().size()));
    for (const TargetStatusRequests &pair : agent.targetStatuses) {
        const qint32 target = targets.of(pair);
        if (targets.isRobotsTxt(target)) {
            robots.robotsFetches += pair.requests;
            continue;
        }
        qint32 &verdict = rules.verdicts[std::size_t(target)];
        if (verdict == kUnknown)
            verdict = rules.matcher.disallowingRule(targets.key(target, scratch));
        if (verdict < 0)
            continue;
        robots.disallowed += pair.requests;
        byRule[std::size_t(verdict)] += pair.requests;
        hits.push_back({targets.distinct(target), verdict, pair.requests});
    }
    robots.topRules = TopRules(byRule, rules.matcher.rules());
    return robots;
}

// The robots.txt figures of agents that share a group's rules.
void AddRobots(const std::vector<AgentOverview *> &agents, CompiledRules &rules, const TargetIndex &targets)
{
    std::vector<std::vector<DisallowedHit>> hitsOfAgents(agents.size());
    for (std::size_t i = 0; i < agents.size(); ++i)
        agents[i]->robots = RobotsOf(*agents[i], rules, targets, hitsOfAgents[i]);
    const KeyTexts texts(hitsOfAgents, targets);
    for (std::size_t i = 0; i < agents.size(); ++i) {
        agents[i]->robots->keys = DisallowedKeys(std::move(hitsOfAgents[i]), rules.matcher.rules(), texts);
        agents[i]->robots->disallowedPages = agents[i]->robots->keys.size();
    }
}

QStringList RobotsTokensOf(const AgentOverview &agent, const AgentCatalogue &catalogue)
{
    const CatalogueAgent *entry = catalogue.agent(agent.id);
    return entry ? entry->robotsTokenList() : QStringList();  // other bots: the "*" groups
}

// Nothing when it could not be read: no figure is made of rules never seen.
std::optional<RobotsTxt> ReadRobots(const QString &address, SiteSource &source, RobotsTxtSummary &summary)
{
    summary.source = address;
    const SourceBytes raw = source.read(address, kMostRobotsTxtBytes);
    if (!raw.problem.isEmpty()) {
        summary.problem = raw.problem;
        return std::nullopt;
    }
    if (raw.cut)
        summary.problem = QStringLiteral("超过 500 KiB，只读了前 500 KiB");
    RobotsTxt robots = ParseRobotsTxt(raw.bytes);
    summary.groups = int(robots.groups.size());
    return robots;
}

}  // namespace

SiteFiles ReadSiteFiles(const SiteRequest &request, const StopFlag *stop)
{
    SiteFiles files;
    SiteSource source(stop);
    if (!request.sitemaps.isEmpty())
        files.sitemap = ReadSitemaps(request.sitemaps, request.siteHost, source, stop);
    if (!request.robots.isEmpty() && !(stop && stop->isSet())) {
        files.robotsTxt.emplace();
        files.robots = ReadRobots(request.robots, source, *files.robotsTxt);
    }
    files.stopped = stop && stop->isSet();
    return files;
}

SiteFilesReader::SiteFilesReader(SiteRequest request, const StopFlag *stop)
    : thread_(QThread::create([this, request = std::move(request), stop] { files_ = ReadSiteFiles(request, stop); }))
{
    thread_->start();
}

SiteFilesReader::~SiteFilesReader() { thread_->wait(); }

SiteFiles SiteFilesReader::take()
{
    thread_->wait();
    return std::move(files_);
}

void AddSiteFigures(OverviewResult &result, SiteFiles files, const SiteRequest &request,
                    const AgentCatalogue &catalogue, int threads)
{
    if (files.stopped) {
        result.stopped = true;  // the site's files are not all read: no figure of them is shown
        return;
    }
    const std::optional<SitemapSet> &sitemap = files.sitemap;
    const std::optional<RobotsTxt> &robots = files.robots;
    if (sitemap)
        result.sitemap = sitemap->summary;
    result.robotsTxt = files.robotsTxt;
    const TargetIndex targets(result, sitemap ? &*sitemap : nullptr);
    const QDate staleBefore = result.days.isEmpty() ? QDate() : result.days.lastKey().addDays(-request.staleDays);

    // Agents whose tokens find the same group share its rules and verdicts,
    // and are done one after another; groups and agents without rules apart,
    // on `threads` threads.
    struct Work
    {
        std::optional<CompiledRules> rules;  // none: no robots.txt
        std::vector<AgentOverview *> agents;
    };
    std::vector<Work> works;
    std::map<QString, std::size_t> workOfGroup;
    for (AgentOverview &agent : result.agents) {
        if (!IsCrawler(agent))
            continue;
        if (!robots) {
            works.push_back({std::nullopt, {&agent}});
            continue;
        }
        RobotsMatcher matcher(*robots, RobotsTokensOf(agent, catalogue));
        const QString group = matcher.group() ? u'g' + matcher.group()->toLower() : QString();
        const auto [found, isNew] = workOfGroup.emplace(group, works.size());
        if (isNew)
            works.push_back({CompiledRules{std::move(matcher), std::vector<qint32>(std::size_t(targets.count()), kUnknown)}, {}});
        works[found->second].agents.push_back(&agent);
    }
    ParallelFor(works.size(), threads, [&](std::size_t i) {
        Work &work = works[i];
        // A sitemap of which no URL could be read covers nothing: no figure is made of it.
        if (sitemap && !sitemap->keys.isEmpty())
            for (AgentOverview *agent : work.agents)
                agent->coverage = CoverageOf(*agent, *sitemap, targets, staleBefore);
        if (work.rules)
            AddRobots(work.agents, *work.rules, targets);
    });
}
