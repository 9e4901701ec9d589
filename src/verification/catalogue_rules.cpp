#include "verification/catalogue_rules.h"

#include "overview/agent_catalogue.h"

VerificationRules VerificationRulesOf(const AgentCatalogue &catalogue)
{
    VerificationRules rules;
    for (const CatalogueAgent &agent : catalogue.agents)
        rules.agents.insert(agent.id, {agent.hostSuffixes, agent.addressLists});
    for (const AddressListSource &list : catalogue.addressLists)
        rules.lists.append({list.id, QUrl(list.url)});
    for (const KnownCrawlerAddress &known : catalogue.resolverCheck)
        if (const QHostAddress address(known.address); !address.isNull())
            rules.resolverCheck.append({address, known.name.toLatin1()});
    return rules;
}
