#pragma once

#include "overview/overview_result.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// A crawler the overview tells apart, as the catalogue describes it.
struct CatalogueAgent
{
    QString id;      // "googlebot"
    QString name;    // "谷歌蜘蛛"
    QString family;  // "谷歌"
    AgentCategory category = AgentCategory::Search;
    QStringList tokens;        // user-agent fragments; ASCII letter case ignored, '+' read as a space
    QStringList hostSuffixes;  // reverse-DNS names that vouch for it ("googlebot.com")
    QStringList addressLists;  // ids of the published address lists that vouch for it
    QStringList robotsTokens;  // its product tokens in robots.txt, most specific first; empty: the first token

    QStringList robotsTokenList() const { return robotsTokens.isEmpty() ? tokens.mid(0, 1) : robotsTokens; }
};

// A published list of a crawler operator's addresses.
struct AddressListSource
{
    QString id;   // "googlebot": the file name without ".json"
    QString url;
};

// A crawler address whose reverse name is public and stable: a name server
// that does not give it cannot see the internet's reverse names.
struct KnownCrawlerAddress
{
    QString address;  // "66.249.66.1"
    QString name;     // "crawl-66-249-66-1.googlebot.com"
};

// More agents than any real catalogue holds; a file with more is no catalogue.
inline constexpr int kMostCatalogueAgents = 4000;

struct AgentCatalogue
{
    QList<CatalogueAgent> agents;  // in matching order: equal token lengths go to the earlier agent
    QList<AddressListSource> addressLists;
    QList<KnownCrawlerAddress> resolverCheck;  // asked before DNS verdicts are trusted
    QStringList problems;  // report lines, e.g. a malformed crawlers.json that was skipped

    const CatalogueAgent *agent(QStringView id) const;
    const AddressListSource *addressList(QStringView id) const;
};

// The catalogue compiled into the program.
AgentCatalogue BuiltInAgentCatalogue();

// crawlers.json beside the settings file.
QString UserAgentCatalogueFile();

// The built-in catalogue with the user's file, when it exists, laid over it:
// its agents and address lists replace those of the same id and add the others
// at the end. A file that cannot be read or used is reported in `problems` and
// changes nothing.
AgentCatalogue LoadAgentCatalogue(const QString &userFile = UserAgentCatalogueFile());

// Lays a catalogue document over `catalogue`. Empty when it was used, else
// every fault found, each with its line (in Chinese): unknown keys (the
// allowed ones listed), an id given twice, an address list no list defines.
// A document with any fault changes nothing.
QStringList OverlayAgentCatalogue(AgentCatalogue &catalogue, const QByteArray &json);
