#include "overview/agent_classifier.h"

#include "overview/flat_map.h"
#include "overview/token_matcher.h"

namespace {

// The classes after the catalogue, in the order they are tried.
const char *const kScriptTokens[] = {
    "curl/", "Wget/", "python-requests", "python-urllib", "Go-http-client", "Java/", "okhttp",
    "Apache-HttpClient", "libwww-perl", "Scrapy", "HeadlessChrome", "axios", "node-fetch",
};
const char *const kBotWords[] = {"bot", "spider", "crawl", "slurp"};

// Ranks order the matches: every catalogue token before every script token
// before every bot word; among catalogue tokens the longer first, then the
// earlier agent.
constexpr int kScriptRank = 1 << 24;
constexpr int kBotWordRank = 2 << 24;
constexpr int kLongestToken = 4096;

constexpr std::size_t kCacheSlots = 1 << 15;
constexpr qsizetype kMostCachedAgents = kCacheSlots / 2;
constexpr qsizetype kMostCachedBytes = 4 << 20;

}  // namespace

AgentClassifier::AgentClassifier(const AgentCatalogue &catalogue)
{
    std::vector<TokenMatcher::Fragment> fragments;
    for (const CatalogueAgent &agent : catalogue.agents) {
        const int index = int(classes_.size());
        classes_.append({agent.id, agent.name, agent.family, agent.category, true});
        for (const QString &token : agent.tokens) {
            const QByteArray bytes = token.toUtf8().left(kLongestToken);
            fragments.push_back({bytes, (kLongestToken - int(bytes.size())) * 4096 + index});
        }
    }
    catalogueSize_ = int(classes_.size());
    const QString other = CategoryName(AgentCategory::Other);
    classes_.append({QStringLiteral("script"), QStringLiteral("脚本工具"), other, AgentCategory::Other, false});
    classes_.append({QStringLiteral("other-bot"), QStringLiteral("其他爬虫"), other, AgentCategory::Other, false});
    classes_.append({QStringLiteral("no-agent"), QStringLiteral("无标识"), other, AgentCategory::Other, false});
    classes_.append({QStringLiteral("browser"), QStringLiteral("访客"), CategoryName(AgentCategory::Visitor),
                     AgentCategory::Visitor, false});
    for (const char *token : kScriptTokens)
        fragments.push_back({QByteArray(token), kScriptRank});
    for (const char *word : kBotWords)
        fragments.push_back({QByteArray(word), kBotWordRank});
    matcher_ = std::make_unique<TokenMatcher>(fragments);
}

AgentClassifier::~AgentClassifier() = default;

int AgentClassifier::classify(QByteArrayView agent, bool plusIsSpace) const
{
    const int rank = matcher_->bestRank(agent, plusIsSpace);
    if (rank == kScriptRank)
        return scriptClass();
    if (rank == kBotWordRank)
        return otherBotClass();
    if (rank != TokenMatcher::kNoMatch)
        return rank % 4096;
    if (agent.isEmpty() || agent == "-")
        return noAgentClass();
    return browserClass();
}

AgentClassCache::AgentClassCache(const AgentClassifier &classifier) : classifier_(classifier), slots_(kCacheSlots) {}

int AgentClassCache::classify(QByteArrayView agent, bool plusIsSpace)
{
    const quint64 hash = HashBytes(agent.data(), agent.size()) ^ quint64(plusIsSpace);
    std::size_t index = std::size_t(hash) & (kCacheSlots - 1);
    for (; slots_[index].agentClass >= 0; index = (index + 1) & (kCacheSlots - 1)) {
        const Slot &slot = slots_[index];
        if (slot.hash == hash && QByteArrayView(texts_.constData() + slot.offset, slot.size) == agent)
            return slot.agentClass;
    }
    const int agentClass = classifier_.classify(agent, plusIsSpace);
    if (used_ < kMostCachedAgents && texts_.size() + agent.size() <= kMostCachedBytes) {
        slots_[index] = {hash, quint32(texts_.size()), quint32(agent.size()), agentClass};
        texts_.append(agent);
        ++used_;
    }
    return agentClass;
}
