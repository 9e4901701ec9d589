#pragma once

#include "overview/agent_table.h"
#include "overview/overview_result.h"
#include "overview/ui/report_table.h"

#include <QStringList>

#include <memory>

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

// The run's problems in a few lines: files skipped, grouped by reason ("14 个
// 文件已跳过：不是访问日志（error.log…）"), and files with read errors, bad or
// overlong lines, each kind one line; the run-wide problems as they are.
QStringList ProblemSummary(const OverviewResult &result);
// Every problem, one line per file and kind: what the summary opens to.
QStringList ProblemList(const OverviewResult &result);

// Why a run read no record at all: no log files found (with the hint on IIS's
// sub-folders when `recursive` was off), or none of a recognised format (with
// the hint on the format box). Empty when some file gave records.
QString EmptyRunReason(const OverviewResult &result, bool recursive);

// The result cut to the agents of the shown categories (AgentCategory values):
// what the totals line, the charts, 占比 and the CSV and HTML exports then
// cover. Records, bad lines and inputs stay those of the whole run. The whole
// result itself when every category is shown.
std::shared_ptr<const OverviewResult> ShownPart(const std::shared_ptr<const OverviewResult> &result,
                                                const QSet<int> &categories);
