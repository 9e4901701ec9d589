#pragma once

#include "overview/overview_result.h"

#include <QList>
#include <QString>

#include <functional>

// The columns of the agents table, the same for the text table, the CSV, the
// HTML report and the window. Values come for people ("1.5 MB", "1,234") or
// raw for spreadsheets ("1572864", "1234").
struct AgentColumn
{
    enum class Shown { ForPeople, Raw };
    using Value = std::function<QString(const AgentOverview &agent, Shown shown)>;
    using Total = std::function<QString(const OverviewResult &result, Shown shown)>;

    QString header;  // "请求数"
    bool numeric = false;
    Value value;
    Total total;  // the totals row; empty for figures that do not add up (distinct pages, clients)
};

// The columns for this result; a column whose figure the result does not hold
// is left out.
QList<AgentColumn> AgentTableColumns(const OverviewResult &result);

// The columns of the clients judged 仿冒 (the crawler check's fake clients),
// the same for every output and the window: address, crawler, ID, requests,
// reverse name, reason.
struct FakeClientColumn
{
    using Shown = AgentColumn::Shown;
    using Value = std::function<QString(const ClientVerdict &fake, const OverviewResult &result, Shown shown)>;

    QString header;
    bool numeric = false;
    Value value;
};

QList<FakeClientColumn> FakeClientColumns();
