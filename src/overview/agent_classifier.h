#pragma once

#include "overview/agent_catalogue.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <memory>

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
