#include "verification/overview_verification.h"

VerificationResult VerifyOverview(OverviewResult &result, const VerificationRules &rules, DnsResolver &resolver,
                                  const VerificationOptions &options)
{
    QList<ClientToVerify> pairs;
    for (const AgentOverview &agent : std::as_const(result.agents)) {
        if (rules.ruleOf(agent.id).isEmpty())
            continue;
        for (const ClientRequests &client : agent.clientRequests)
            pairs.append({agent.id, client.address, client.requests});
    }
    VerificationResult check = VerifyClients(pairs, rules, resolver, options);
    VerificationSummary summary = check;
    for (const AgentOverview &agent : std::as_const(result.agents)) {
        if (rules.ruleOf(agent.id).isEmpty())
            continue;
        VerdictCounts &counts = summary.agents[agent.id];
        counts.unknown += agent.requests - counts.total();  // records without a client address
    }
    result.verification = std::move(summary);
    result.problems += check.problems;
    return check;
}
