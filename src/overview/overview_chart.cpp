#include "overview/overview_chart.h"

Chart DrawDayChart(const OverviewResult &, const QStringList &, QSizeF size) { return {{}, size, {}, {}, {}}; }

Chart DrawStatusChart(const OverviewResult &, const QStringList &, QSizeF size) { return {{}, size, {}, {}, {}}; }

std::optional<ChartHit> ChartHitAt(const Chart &, QPointF, qreal) { return std::nullopt; }

QStringList BusiestCrawlers(const OverviewResult &, int) { return {}; }
