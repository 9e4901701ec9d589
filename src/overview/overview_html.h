#pragma once

#include "overview/overview_result.h"

#include <QString>

// One self-contained page: inline CSS and SVG charts, nothing fetched.
QString OverviewHtml(const OverviewResult &result);

// Saves OverviewHtml atomically as UTF-8. Empty on success, else what went
// wrong, in Chinese.
QString WriteOverviewHtml(const OverviewResult &result, const QString &fileName);
