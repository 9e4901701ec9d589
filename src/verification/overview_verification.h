#pragma once

#include "overview/overview_result.h"
#include "verification/verification.h"

class DnsResolver;

// The crawler check over a crawler overview. The overview must have been run
// with OverviewRequest::clientRequests set, so that its agents hold their
// requests per client.
//
// From a window's worker thread, after the overview:
//
//     CaresResolver resolver(dnsServer);  // made on the worker thread
//     VerifyOverview(result, VerificationRulesOf(catalogue), resolver, options);  // progress, stop in options
//
// Fills result.verification: requests per verdict of each agent with a rule
// (requests without a client address count as 无法验证), the fake clients,
// the lists' ages and the proxy note. Returns the whole check, pair by pair.
VerificationResult VerifyOverview(OverviewResult &result, const VerificationRules &rules, DnsResolver &resolver,
                                  const VerificationOptions &options = {});
