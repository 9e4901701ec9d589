#pragma once

#include "verification/verification.h"

struct AgentCatalogue;

// The check's rules as the crawler catalogue states them: every agent with
// its host suffixes and list ids, every list with its address.
VerificationRules VerificationRulesOf(const AgentCatalogue &catalogue);
