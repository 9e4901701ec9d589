#pragma once

#include "overview/overview_result.h"

#include <QList>
#include <QString>
#include <QStringList>

// The overview as a Chinese text table, columns aligned for a fixed-width
// font (a Chinese character takes two columns): one row per agent, then the
// totals, then the inputs' problems. Lines end in "\n".
QString OverviewTextTable(const OverviewResult &result);

// Rows under their headers, each column as wide as its widest cell (a Chinese
// character takes two places), two spaces between; a column is aligned right
// where `alignRight` says so (the headers never are).
QString FixedWidthTable(const QStringList &headers, const QList<bool> &alignRight, const QList<QStringList> &rows);
