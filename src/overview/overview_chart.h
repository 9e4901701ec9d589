#pragma once

#include "overview/overview_result.h"

#include <QDate>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <optional>

// The charts of the overview, drawn once as SVG text (for the HTML report and
// for the window, which renders the same text) together with the geometry of
// what they show, so that a window can tell the value under the mouse. All
// coordinates are in the SVG's user units (its viewBox starts at 0, 0).

struct ChartPoint
{
    QPointF at;
    QDate day;      // per-day chart
    int hour = -1;  // hour chart
    qint64 value = 0;
};

// One agent's line in the per-day chart.
struct ChartSeries
{
    QString agentId;
    QString label;  // the agent's name
    QString color;  // "#rrggbb"
    QList<ChartPoint> points;  // one per day of the chart's range, days without requests as 0
};

// One segment of an agent's stacked status bar.
struct ChartBar
{
    QString agentId;
    QString label;
    StatusClass statusClass = StatusClass::Success;
    QString color;
    QRectF rect;
    qint64 value = 0;
};

struct Chart
{
    QString svg;  // a complete <svg> element with width, height and viewBox
    QSizeF size;
    QRectF plotArea;  // inside the axes
    QList<ChartSeries> series;  // per-day chart
    QList<ChartBar> bars;       // status chart
    bool empty() const { return series.isEmpty() && bars.isEmpty(); }
};

// What lies under a point of the chart.
struct ChartHit
{
    QString agentId;
    QString text;  // "百度蜘蛛 2015-01-01：1,234 次", "谷歌蜘蛛 4xx：12 次"
    qint64 value = 0;
    QPointF anchor;  // the point or the bar's top centre, where a tip may point
};

// Requests per day of the given agents, one line each, over the days of the
// result; axes, dates (with the year when the days cross one) and a legend.
// A `caption` (what the chart is of, for a picture on its own) heads it.
Chart DrawDayChart(const OverviewResult &result, const QStringList &agentIds, QSizeF size = {860, 360},
                   const QString &caption = {});

// Requests by the hour the log writes (0-23) of the given agents, one line each.
Chart DrawHourChart(const OverviewResult &result, const QStringList &agentIds, QSizeF size = {860, 300},
                    const QString &caption = {});

// One line of a period chart: a value for each of the chart's dates.
struct ChartLine
{
    QString id;
    QString label;
    QList<qint64> values;
};

// Lines over the first days of periods (days, weeks or months), drawn as the
// per-day chart is: the trend of a store's history.
Chart DrawPeriodChart(const QList<QDate> &starts, const QList<ChartLine> &lines, QSizeF size = {860, 360},
                      const QString &caption = {});

// Each given agent's 2xx/3xx/4xx/5xx requests as one stacked horizontal bar.
Chart DrawStatusChart(const OverviewResult &result, const QStringList &agentIds, QSizeF size = {860, 0},
                      const QString &caption = {});

// The point nearest to `at` within `radius` (per-day chart) or the bar
// segment holding it (status chart); nothing when there is none.
std::optional<ChartHit> ChartHitAt(const Chart &chart, QPointF at, qreal radius = 8);

// The ids of the agents with most requests among the crawlers (catalogue
// agents and other bots; not scripts, browsers or records without an agent).
QStringList BusiestCrawlers(const OverviewResult &result, int count);

// How many of the busiest crawlers each chart shows when none is chosen, in
// the window and the report alike.
inline constexpr int kDayChartCrawlers = 5;
inline constexpr int kStatusChartCrawlers = 15;
