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
        if (const qint64 withoutClient = agent.requests - counts.total(); withoutClient > 0) {
            counts.unknown += withoutClient;
            counts.unknownReasons[QStringLiteral("没有客户端地址")] += withoutClient;
        }
    }
    result.verification = std::move(summary);
    result.problems += check.problems;
    return check;
}
