#pragma once

#include "overview/agent_table.h"
#include "overview/overview_result.h"
#include "overview/ui/report_table.h"

#include <QStringList>

// The overview's figures as the window's tables hold them. The agent table
// takes the columns the text, CSV and HTML outputs share.

QStringList AgentColumnHeaders(const OverviewResult &result);
// Rows of declared columns, one per agent, keyed by its id and tagged with its category.
QStringList ColumnHeaders(const QList<AgentColumn> &columns);
QList<ReportRow> ColumnRows(const QList<AgentColumn> &columns, const QList<const AgentOverview *> &agents);
// One row per agent, keyed by its id and tagged with its category.
QList<ReportRow> AgentRows(const OverviewResult &result);
// The line under the agent table: the columns' totals and the input's size.
QString TotalsText(const OverviewResult &result);

// The clients judged 仿冒: address, agent, requests, reverse name, reason.
QStringList FakeClientHeaders();
QList<ReportRow> FakeClientRows(const OverviewResult &result);

// The agent's pages: page, requests, status codes seen, last seen.
QStringList PageColumnHeaders();
QList<ReportRow> PageRows(const OverviewResult &result, const AgentOverview &agent);

// The agent's pages answered 4xx or 5xx: page, status, requests, last seen.
QStringList ErrorColumnHeaders();
QList<ReportRow> ErrorRows(const OverviewResult &result, const AgentOverview &agent);
