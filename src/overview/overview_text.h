#pragma once

#include "overview/overview_result.h"

#include <QString>

// The overview as a Chinese text table, columns aligned for a fixed-width
// font (a Chinese character takes two columns): one row per agent, then the
// totals, then the inputs' problems. Lines end in "\n".
QString OverviewTextTable(const OverviewResult &result);
