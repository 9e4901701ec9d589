#pragma once

#include "overview/overview_result.h"

#include <QString>
#include <QStringList>

// Writes agents.csv, days.csv and pages.csv into `folder` (made when
// missing): UTF-8 with a byte-order mark, so spreadsheet programs read the
// Chinese right; each file saved atomically. Empty on success, else what
// went wrong, in Chinese.
QString WriteOverviewCsv(const OverviewResult &result, const QString &folder);

// The files WriteOverviewCsv writes for this result, in order.
QStringList OverviewCsvFileNames(const OverviewResult &result);

// One CSV row without its line end: fields quoted where they must be, and a
// field that starts like a formula kept as text.
QString CsvRow(const QStringList &fields);
