#pragma once

#include "overview/agent_catalogue.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <memory>
#include <vector>

// What a record's user agent makes it: a catalogue agent, or one of the
// classes after the catalogue.
struct AgentClass
{
    QString id;
    QString name;
    QString family;
    AgentCategory category = AgentCategory::Other;
    bool catalogued = false;
};

class TokenMatcher;

// The first word of an agent that holds a bot word (bot, spider, crawl,
// slurp), without its version: "Golang_Spider_Bot" of
// "Golang_Spider_Bot/3.6", "Mail.RU_Bot" of "Mozilla/5.0 (compatible;
// Mail.RU_Bot/2.0; +http://...)". Words end at spaces, '/', ';', '(', ')',
// ',', '+' and the like. Empty when no word holds one.
QByteArrayView FirstBotWord(QByteArrayView agent);

// Gives each user agent its class, in this order: the catalogue agent whose
// matching token is longest (equal lengths: the earlier agent), then a script
// tool, then another bot (bot, spider, crawl, slurp), then no agent (empty or
// "-"), else a browser. ASCII letter case is ignored and '+' is read as a
// space. Immutable once made, so threads may share one.
class AgentClassifier
{
public:
    explicit AgentClassifier(const AgentCatalogue &catalogue);
    ~AgentClassifier();
    AgentClassifier(const AgentClassifier &) = delete;
    AgentClassifier &operator=(const AgentClassifier &) = delete;

    // Index into classes(): the catalogue's agents in their order, then
    // script, other-bot, no-agent, browser.
    int classify(QByteArrayView agent, bool plusIsSpace) const;

    const QList<AgentClass> &classes() const { return classes_; }
    int scriptClass() const { return catalogueSize_; }
    int otherBotClass() const { return catalogueSize_ + 1; }
    int noAgentClass() const { return catalogueSize_ + 2; }
    int browserClass() const { return catalogueSize_ + 3; }

private:
    QList<AgentClass> classes_;
    int catalogueSize_ = 0;
    std::unique_ptr<TokenMatcher> matcher_;
};

// Remembers the class of each agent met: a log holds few distinct agents, and
// looking one up costs a hash of its bytes, far less than matching it. Memory
// is capped; past the cap agents are matched each time. One per thread.
class AgentClassCache
{
public:
    explicit AgentClassCache(const AgentClassifier &classifier);

    int classify(QByteArrayView agent, bool plusIsSpace);

private:
    struct Slot
    {
        quint64 hash = 0;
        quint32 offset = 0;  // of the agent's bytes in texts_
        quint32 size = 0;
        qint32 agentClass = -1;  // -1: empty slot
    };

    void grow();

    const AgentClassifier &classifier_;
    std::vector<Slot> slots_;
    QByteArray texts_;
    qsizetype used_ = 0;
};
