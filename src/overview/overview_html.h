#pragma once

#include "overview/overview_result.h"

#include <QString>

#include <QDateTime>

// One self-contained page: inline CSS and SVG charts, nothing fetched. Its
// heading says what it is of and when it was `made`.
QString OverviewHtml(const OverviewResult &result, const QDateTime &made = QDateTime::currentDateTime());

// Saves OverviewHtml atomically as UTF-8. Empty on success, else what went
// wrong, in Chinese.
QString WriteOverviewHtml(const OverviewResult &result, const QString &fileName,
                          const QDateTime &made = QDateTime::currentDateTime());
