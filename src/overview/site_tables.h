#pragma once

#include "overview/agent_table.h"
#include "overview/overview_result.h"

#include <QList>
#include <QString>
#include <QStringList>

// The tables of what the site's files say, declared once for the text
// table, the CSV files, the HTML report and the window.

// Crawlers × coverage figures, and crawlers × robots.txt violations: the
// agents that have them, in the result's order.
QList<AgentColumn> CoverageColumns();
QList<AgentColumn> RobotsColumns();
QList<const AgentOverview *> CoverageAgents(const OverviewResult &result);
QList<const AgentOverview *> RobotsAgents(const OverviewResult &result);

// coverage.csv: one row per sitemap URL and crawler, never-requested ones with zero requests.
QStringList CoverageUrlHeaders();
QStringList CoverageUrlRow(const OverviewResult &result, const AgentOverview &agent, int url);

// robots.csv: one row per disallowed key and crawler.
QStringList RobotsKeyHeaders();
QStringList RobotsKeyRow(const AgentOverview &agent, const DisallowedKey &key);

// The sitemap URLs the agent never requested, in the sitemap's order.
QStringList NeverRequested(const OverviewResult &result, const AgentOverview &agent);

// An agent's sections: section, requests, pages, errors.
QStringList SectionHeaders();
QStringList SectionRow(const SectionRequests &section, AgentColumn::Shown shown);

// The line over each table: what the sitemaps held (host, URLs), how many
// groups robots.txt has; or that they could not be read.
QString SitemapSummaryText(const OverviewResult &result);
QString RobotsSummaryText(const OverviewResult &result);

// The report lines of the site's files: each file that could not be read whole.
QStringList SiteNotes(const OverviewResult &result);
