#pragma once

#include "overview/overview_result.h"
#include "overview/ui/report_table.h"

#include <QStringList>

// The overview's figures as the window's tables show them: one place for the
// columns, the number formats and the sort keys.

// Columns of the agent table, in order.
enum class AgentColumn {
    Agent, Category, Requests, Share, Pages, ValidPages, Class2xx, Class3xx, Class4xx, Class5xx,
    Traffic, Clients, First, Last
};
QStringList AgentColumnHeaders();

QString CountText(qint64 count);        // "12,345"
QString TrafficText(qint64 bytes);      // "812.0 KB", "3.4 MB", "1.25 GB"
QString TimeText(const QDateTime &at);  // "2015-01-01 08:00:01", "—" when unknown

// One row per agent, keyed by its id and tagged with its category.
QList<ReportRow> AgentRows(const OverviewResult &result);

// The agent's pages: page, requests, status codes seen, last seen.
QStringList PageColumnHeaders();
QList<ReportRow> PageRows(const OverviewResult &result, const AgentOverview &agent);

// The agent's pages answered 4xx or 5xx: page, status, requests, last seen.
QStringList ErrorColumnHeaders();
QList<ReportRow> ErrorRows(const OverviewResult &result, const AgentOverview &agent);

// The line under the agent table for the rows shown: agents, requests, traffic.
QString TotalsText(const OverviewResult &result, const QStringList &shownAgentIds);
