#include "overview/agent_classifier.h"

#include "overview/flat_map.h"
#include "overview/token_matcher.h"
#include "common/byte_search.h"
#include "common/hash_bytes.h"

#include <algorithm>
#include <cstring>
#include <iterator>

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

// The cache starts small, since every input has one and many inputs are
// small, and doubles while at most half full up to its cap.
constexpr std::size_t kFirstCacheSlots = 256;
constexpr std::size_t kMostCacheSlots = 1 << 15;
constexpr qsizetype kMostCachedAgents = kMostCacheSlots / 2;
constexpr qsizetype kMostCachedBytes = 4 << 20;

}  // namespace

QByteArrayView FirstBotWord(QByteArrayView agent)
{
    auto isWordByte = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '-'
            || c == '.' || (static_cast<unsigned char>(c) & 0x80);
    };
    auto holds = [](QByteArrayView word, const char *lowerNeedle) {
        const qsizetype length = qsizetype(std::strlen(lowerNeedle));
        for (qsizetype i = 0; i + length <= word.size(); ++i) {
            qsizetype k = 0;
            while (k < length && AsciiLower(static_cast<unsigned char>(word[i + k])) == static_cast<unsigned char>(lowerNeedle[k]))
                ++k;
            if (k == length)
                return true;
        }
        return false;
    };
    for (qsizetype start = 0; start < agent.size(); ++start) {
        qsizetype end = start;
        while (end < agent.size() && isWordByte(agent[end]))
            ++end;
        QByteArrayView word = agent.sliced(start, end - start);
        start = end;
        if (std::none_of(std::begin(kBotWords), std::end(kBotWords), [&](const char *bot) { return holds(word, bot); }))
            continue;
        // A version written into the word goes too: "SomeBot-2.1", "SomeBot_v3".
        qsizetype digits = word.size();
        while (digits > 0 && ((word[digits - 1] >= '0' && word[digits - 1] <= '9') || word[digits - 1] == '.'))
            --digits;
        qsizetype cut = digits < word.size() && digits > 0 && (word[digits - 1] == 'v' || word[digits - 1] == 'V')
            ? digits - 1 : digits;
        if (digits < word.size() && cut > 0 && (word[cut - 1] == '-' || word[cut - 1] == '_'))
            word.truncate(cut - 1);
        return word;
    }
    return {};
}

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

AgentClassCache::AgentClassCache(const AgentClassifier &classifier)
    : classifier_(classifier), slots_(kFirstCacheSlots)
{
}

int AgentClassCache::classify(QByteArrayView agent, bool plusIsSpace)
{
    const quint64 hash = TableHash(agent) ^ quint64(plusIsSpace);
    const std::size_t mask = slots_.size() - 1;
    std::size_t index = std::size_t(hash) & mask;
    for (; slots_[index].agentClass >= 0; index = (index + 1) & mask) {
        const Slot &slot = slots_[index];
        if (slot.hash == hash && SameBytes(QByteArrayView(texts_.constData() + slot.offset, slot.size), agent))
            return slot.agentClass;
    }
    const int agentClass = classifier_.classify(agent, plusIsSpace);
    if (used_ < kMostCachedAgents && texts_.size() + agent.size() <= kMostCachedBytes) {
        slots_[index] = {hash, quint32(texts_.size()), quint32(agent.size()), agentClass};
        texts_.append(agent);
        ++used_;
        if (std::size_t(used_) * 2 > slots_.size() && slots_.size() < kMostCacheSlots)
            grow();
    }
    return agentClass;
}

void AgentClassCache::grow()
{
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const Slot &slot : old) {
        if (slot.agentClass < 0)
            continue;
        std::size_t index = std::size_t(slot.hash) & mask;
        while (slots_[index].agentClass >= 0)
            index = (index + 1) & mask;
        slots_[index] = slot;
    }
}
