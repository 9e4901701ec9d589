#pragma once

#include "overview/agent_catalogue.h"
#include "overview/overview_result.h"

#include <QDate>
#include <QString>

struct StoreOverviewRequest
{
    QString storePath;
    QDate from;  // whole days; an invalid date leaves that side open
    QDate to;
    bool clientRequests = false;  // each catalogued agent's requests per client (crawler check)
    // Each agent's requests in the days of the same length before the range
    // (an open side is the store's first or last day), for the 变化 column.
    bool comparePrevious = false;
    int threads = 1;  // the agents' figures made side by side; the result does not depend on it
};

// The overview of the store's days in [from, to]: for those days, the figures
// a run over the imported logs (each written line once) gives. Its inputs are
// the contents imported, under the name each was last imported by. Null on
// failure, with why in `problem`. Agents keep the catalogue's current names
// where their id is still in it.
std::optional<OverviewResult> OverviewFromStore(const StoreOverviewRequest &request, const AgentCatalogue &catalogue,
                                                QString *problem);
