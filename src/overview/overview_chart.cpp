#include "overview/overview_chart.h"

#include "overview/overview_format.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

constexpr qreal kFontSize = 12;
// Days one chart shows at most, the latest ones: a log with a stray date
// decades off must not make a chart of millions of points.
constexpr qint64 kMostChartDays = 3 * 366;
const char *const kFontFamily = "'Noto Sans CJK SC','Microsoft YaHei','PingFang SC',sans-serif";
const char *const kPalette[] = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e", "#9467bd",
                                "#8c564b", "#e377c2", "#17becf", "#bcbd22", "#7f7f7f"};
const char *const kClassColors[kStatusClassCount] = {"#2ca02c", "#1f77b4", "#ff7f0e", "#d62728", "#9e9e9e"};

QString Number(qreal value) { return QString::number(value, 'f', 1); }

// Width a label takes: a CJK character about one em, others about half.
qreal TextWidth(const QString &text)
{
    qreal width = 0;
    for (QChar c : text)
        width += c.unicode() >= 0x2e80 ? kFontSize : kFontSize * 0.6;
    return width;
}

// A tick step of 1, 2 or 5 times a power of ten that cuts `span` into at most `most` parts.
qreal NiceStep(qreal span, int most)
{
    const qreal raw = std::max(span, 1.0) / most;
    const qreal power = std::pow(10.0, std::floor(std::log10(raw)));
    for (qreal factor : {1.0, 2.0, 5.0, 10.0})
        if (factor * power >= raw)
            return std::max(1.0, factor * power);
    return 10 * power;
}

class SvgText
{
public:
    explicit SvgText(QSizeF size)
    {
        svg_ = QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" "
                              "viewBox=\"0 0 %1 %2\" font-family=\"%3\" font-size=\"%4\">\n")
                   .arg(Number(size.width()), Number(size.height()), QString::fromLatin1(kFontFamily),
                        Number(kFontSize));
        svg_ += QStringLiteral("<rect x=\"0\" y=\"0\" width=\"%1\" height=\"%2\" fill=\"#ffffff\"/>\n")
                    .arg(Number(size.width()), Number(size.height()));
    }

    void line(QPointF from, QPointF to, const QString &color)
    {
        svg_ += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\" stroke=\"%5\" stroke-width=\"1\"/>\n")
                    .arg(Number(from.x()), Number(from.y()), Number(to.x()), Number(to.y()), color);
    }

    void rect(const QRectF &box, const QString &color)
    {
        svg_ += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\"/>\n")
                    .arg(Number(box.x()), Number(box.y()), Number(box.width()), Number(box.height()), color);
    }

    // `anchor`: "start", "middle" or "end"; `at` is the text's baseline point.
    void text(QPointF at, const QString &text, const char *anchor = "start", const char *color = "#333333")
    {
        svg_ += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"%3\" fill=\"%4\">%5</text>\n")
                    .arg(Number(at.x()), Number(at.y()), QLatin1String(anchor), QLatin1String(color),
                         text.toHtmlEscaped());
    }

    void polyline(const QList<ChartPoint> &points, const QString &color)
    {
        QString coordinates;
        for (const ChartPoint &point : points)
            coordinates += Number(point.at.x()) + u',' + Number(point.at.y()) + u' ';
        svg_ += QStringLiteral("<polyline fill=\"none\" stroke=\"%1\" stroke-width=\"2\" points=\"%2\"/>\n")
                    .arg(color, coordinates.trimmed());
    }

    void circle(QPointF at, qreal radius, const QString &color)
    {
        svg_ += QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"%4\"/>\n")
                    .arg(Number(at.x()), Number(at.y()), Number(radius), color);
    }

    QString finish() { return svg_ + QStringLiteral("</svg>\n"); }

private:
    QString svg_;
};

struct LegendEntry
{
    QString label;
    QString color;
};

// Legend entries in rows from `top`, wrapped at `width`; gives the height used.
qreal DrawLegend(SvgText &svg, const QList<LegendEntry> &entries, qreal left, qreal top, qreal width)
{
    constexpr qreal kRow = 20;
    qreal x = left;
    qreal y = top;
    for (const LegendEntry &entry : entries) {
        const qreal entryWidth = 18 + TextWidth(entry.label) + 16;
        if (x > left && x + entryWidth > left + width) {
            x = left;
            y += kRow;
        }
        svg.rect(QRectF(x, y + 4, 12, 12), entry.color);
        svg.text(QPointF(x + 18, y + 14), entry.label);
        x += entryWidth;
    }
    return entries.isEmpty() ? 0 : y - top + kRow;
}

qreal LegendHeight(const QList<LegendEntry> &entries, qreal width)
{
    SvgText scratch(QSizeF(0, 0));
    return DrawLegend(scratch, entries, 0, 0, width);
}

constexpr qreal kCaptionHeight = 24;

// The caption's line at the top; gives the height it takes.
qreal DrawCaption(SvgText &svg, const QString &caption)
{
    if (caption.isEmpty())
        return 0;
    svg.text(QPointF(8, 16), caption, "start", "#555555");
    return kCaptionHeight;
}

void DrawNoData(SvgText &svg, QSizeF size)
{
    svg.text(QPointF(size.width() / 2, size.height() / 2), QStringLiteral("无数据"), "middle", "#888888");
}


// What a line chart shows: one line per agent over `count` points on the x
// axis, each point's value, its label on the axis and its point's identity.
struct LineAxis
{
    qint64 count = 0;
    std::function<qint64(const AgentOverview &, qint64)> value;
    std::function<QString(qint64, bool longLabel)> label;
    std::function<void(ChartPoint &, qint64)> identify;  // the point's day or hour
    qreal longLabelWidth = 80;
    qreal shortLabelWidth = 48;
    bool alwaysLong = false;  // long labels even where short ones would fit
};

Chart DrawLineChart(const OverviewResult &result, const QStringList &agentIds, QSizeF size, const QString &caption,
                    bool anyData, const LineAxis &axis)
{
    Chart chart;
    chart.size = size;
    SvgText svg(size);
    const qreal captionHeight = DrawCaption(svg, caption);
    QList<const AgentOverview *> agents;
    for (const QString &id : agentIds)
        if (const AgentOverview *agent = result.agent(id))
            agents.append(agent);
    if (!anyData || agents.isEmpty()) {
        DrawNoData(svg, size);
        chart.svg = svg.finish();
        return chart;
    }

    QList<LegendEntry> legend;
    for (qsizetype i = 0; i < agents.size(); ++i)
        legend.append({agents[i]->name, QString::fromLatin1(kPalette[i % std::size(kPalette)])});
    constexpr qreal kLeft = 64, kRight = 40, kAxisLabels = 26;  // room for half a label
    const qreal top = 14 + captionHeight;
    const qreal legendHeight = LegendHeight(legend, size.width() - kLeft - kRight);
    chart.plotArea = QRectF(kLeft, top, size.width() - kLeft - kRight,
                            std::max(40.0, size.height() - top - kAxisLabels - legendHeight - 8));
    const QRectF plot = chart.plotArea;

    const qint64 count = axis.count;
    qint64 highest = 1;
    for (const AgentOverview *agent : agents)
        for (qint64 i = 0; i < count; ++i)
            highest = std::max(highest, axis.value(*agent, i));
    const qreal step = NiceStep(qreal(highest), 5);
    const qreal highestTick = std::ceil(qreal(highest) / step) * step;
    auto xOf = [&](qint64 i) {
        return plot.left() + (count == 1 ? plot.width() / 2 : plot.width() * qreal(i) / qreal(count - 1));
    };
    auto yOf = [&](qreal value) { return plot.bottom() - plot.height() * value / highestTick; };

    for (qreal value = 0; value <= highestTick + step / 2; value += step) {
        svg.line(QPointF(plot.left(), yOf(value)), QPointF(plot.right(), yOf(value)),
                 value == 0 ? QStringLiteral("#666666") : QStringLiteral("#e0e0e0"));
        svg.text(QPointF(plot.left() - 6, yOf(value) + 4), CountText(qint64(value)), "end");
    }
    const bool longLabels = plot.width() / qreal(count) >= axis.longLabelWidth || count == 1 || axis.alwaysLong;
    const qreal labelWidth = longLabels ? axis.longLabelWidth : axis.shortLabelWidth;
    const qint64 labelEvery = std::max<qint64>(1, qint64(std::ceil(qreal(count) * labelWidth / plot.width())));
    for (qint64 i = 0; i < count; i += labelEvery) {
        svg.line(QPointF(xOf(i), plot.bottom()), QPointF(xOf(i), plot.bottom() + 4), QStringLiteral("#666666"));
        svg.text(QPointF(xOf(i), plot.bottom() + 18), axis.label(i, longLabels), "middle");
    }

    for (qsizetype a = 0; a < agents.size(); ++a) {
        ChartSeries series{agents[a]->id, agents[a]->name, legend[a].color, {}};
        for (qint64 i = 0; i < count; ++i) {
            const qint64 value = axis.value(*agents[a], i);
            ChartPoint point{QPointF(xOf(i), yOf(qreal(value))), {}, -1, value};
            axis.identify(point, i);
            series.points.append(point);
        }
        svg.polyline(series.points, series.color);
        if (count <= 62)
            for (const ChartPoint &point : series.points)
                svg.circle(point.at, 2.5, series.color);
        chart.series.append(series);
    }
    DrawLegend(svg, legend, kLeft, plot.bottom() + kAxisLabels + 4, plot.width());
    chart.svg = svg.finish();
    return chart;
}

}  // namespace

Chart DrawDayChart(const OverviewResult &result, const QStringList &agentIds, QSizeF size, const QString &caption)
{
    if (result.days.isEmpty())
        return DrawLineChart(result, agentIds, size, caption, false, {});
    const QDate lastDay = result.days.lastKey();
    const QDate firstDay = std::max(result.days.firstKey(), lastDay.addDays(1 - kMostChartDays));
    LineAxis axis;
    axis.count = firstDay.daysTo(lastDay) + 1;
    axis.value = [firstDay](const AgentOverview &agent, qint64 day) { return agent.days.value(firstDay.addDays(day)); };
    axis.label = [firstDay](qint64 day, bool longLabel) {
        const QDate date = firstDay.addDays(day);
        return longLabel ? DayText(date) : date.toString(QStringLiteral("MM-dd"));
    };
    axis.identify = [firstDay](ChartPoint &point, qint64 day) { point.day = firstDay.addDays(day); };
    // Month and day alone where they fit, unless the days cross a new year.
    axis.alwaysLong = firstDay.year() != lastDay.year();
    return DrawLineChart(result, agentIds, size, caption, true, axis);
}

Chart DrawPeriodChart(const QList<QDate> &starts, const QList<ChartLine> &lines, QSizeF size, const QString &caption)
{
    // The lines as the agents of a result, so that they are drawn as the days are.
    OverviewResult result;
    QStringList ids;
    for (const ChartLine &line : lines) {
        AgentOverview agent;
        agent.id = line.id;
        agent.name = line.label;
        result.agents.append(agent);
        ids.append(line.id);
    }
    LineAxis axis;
    axis.count = starts.size();
    axis.value = [&lines](const AgentOverview &agent, qint64 period) {
        for (const ChartLine &line : lines)
            if (line.id == agent.id)
                return line.values.value(period);
        return qint64(0);
    };
    axis.label = [&starts](qint64 period, bool longLabel) {
        return longLabel ? DayText(starts[period]) : starts[period].toString(QStringLiteral("MM-dd"));
    };
    axis.identify = [&starts](ChartPoint &point, qint64 period) { point.day = starts[period]; };
    axis.alwaysLong = !starts.isEmpty() && starts.front().year() != starts.back().year();
    return DrawLineChart(result, ids, size, caption, !starts.isEmpty(), axis);
}

Chart DrawHourChart(const OverviewResult &result, const QStringList &agentIds, QSizeF size, const QString &caption)
{
    LineAxis axis;
    axis.count = kHours;
    axis.value = [](const AgentOverview &agent, qint64 hour) { return agent.hours[std::size_t(hour)]; };
    axis.label = [](qint64 hour, bool) { return QStringLiteral("%1时").arg(hour); };
    axis.identify = [](ChartPoint &point, qint64 hour) { point.hour = int(hour); };
    axis.longLabelWidth = 36;
    axis.shortLabelWidth = 36;
    bool anyData = false;
    for (const QString &id : agentIds)
        if (const AgentOverview *agent = result.agent(id))
            anyData = anyData || std::any_of(agent->hours.begin(), agent->hours.end(), [](qint64 n) { return n > 0; });
    return DrawLineChart(result, agentIds, size, caption, anyData, axis);
}

Chart DrawStatusChart(const OverviewResult &result, const QStringList &agentIds, QSizeF size, const QString &caption)
{
    QList<const AgentOverview *> agents;
    for (const QString &id : agentIds)
        if (const AgentOverview *agent = result.agent(id))
            agents.append(agent);
    constexpr qreal kRow = 26, kBar = 16, kAxis = 28, kRight = 70;
    const qreal captionHeight = caption.isEmpty() ? 0 : kCaptionHeight;
    const qreal top = 34 + captionHeight;
    if (size.height() <= 0)
        size.setHeight(top + kRow * qreal(std::max<qsizetype>(agents.size(), 1)) + kAxis);
    Chart chart;
    chart.size = size;
    SvgText svg(size);
    DrawCaption(svg, caption);
    if (agents.isEmpty()) {
        DrawNoData(svg, size);
        chart.svg = svg.finish();
        return chart;
    }

    QList<LegendEntry> legend;
    for (int i = 0; i < kStatusClassCount; ++i) {
        const StatusClass statusClass = StatusClass(i);
        legend.append({StatusClassLabel(statusClass), QString::fromLatin1(kClassColors[i])});
    }
    qreal labelWidth = 0;
    qint64 highest = 1;
    for (const AgentOverview *agent : agents) {
        labelWidth = std::max(labelWidth, TextWidth(agent->name));
        highest = std::max(highest, agent->requests);
    }
    const qreal left = std::min(labelWidth, size.width() / 3) + 16;
    chart.plotArea = QRectF(left, top, std::max(40.0, size.width() - left - kRight), size.height() - top - kAxis);
    const QRectF plot = chart.plotArea;
    DrawLegend(svg, legend, left, 6 + captionHeight, plot.width());

    const qreal step = NiceStep(qreal(highest), 5);
    const qreal highestTick = std::ceil(qreal(highest) / step) * step;
    auto xOf = [&](qreal value) { return plot.left() + plot.width() * value / highestTick; };
    for (qreal value = 0; value <= highestTick + step / 2; value += step) {
        svg.line(QPointF(xOf(value), plot.top()), QPointF(xOf(value), plot.bottom()),
                 value == 0 ? QStringLiteral("#666666") : QStringLiteral("#e0e0e0"));
        svg.text(QPointF(xOf(value), plot.bottom() + 18), CountText(qint64(value)), "middle");
    }
    for (qsizetype row = 0; row < agents.size(); ++row) {
        const AgentOverview &agent = *agents[row];
        const qreal y = plot.top() + kRow * qreal(row) + (kRow - kBar) / 2;
        svg.text(QPointF(left - 8, y + kBar - 3), agent.name, "end");
        qreal done = 0;
        for (int i = 0; i < kStatusClassCount; ++i) {
            const qint64 value = agent.classes[i];
            if (value == 0)
                continue;
            const QRectF box(xOf(done), y, xOf(done + qreal(value)) - xOf(done), kBar);
            ChartBar bar{agent.id, agent.name, StatusClass(i), legend[i].color, box, value};
            svg.rect(box, bar.color);
            chart.bars.append(bar);
            done += qreal(value);
        }
        svg.text(QPointF(xOf(done) + 6, y + kBar - 3), CountText(agent.requests));
    }
    chart.svg = svg.finish();
    return chart;
}

std::optional<ChartHit> ChartHitAt(const Chart &chart, QPointF at, qreal radius)
{
    for (const ChartBar &bar : chart.bars)
        if (bar.rect.contains(at))
            return ChartHit{bar.agentId,
                            bar.label + u' ' + StatusClassLabel(bar.statusClass) + u'：' + CountText(bar.value)
                                + QStringLiteral(" 次"),
                            bar.value, QPointF(bar.rect.center().x(), bar.rect.top())};
    std::optional<ChartHit> nearest;
    qreal nearestDistance = radius * radius;
    for (const ChartSeries &series : chart.series)
        for (const ChartPoint &point : series.points) {
            const QPointF d = point.at - at;
            const qreal distance = d.x() * d.x() + d.y() * d.y();
            if (distance <= nearestDistance) {
                nearestDistance = distance;
                const QString where = point.hour >= 0 ? QStringLiteral("%1时").arg(point.hour)
                                                      : point.day.toString(Qt::ISODate);
                nearest = ChartHit{series.agentId,
                                   series.label + u' ' + where + u'：' + CountText(point.value) + QStringLiteral(" 次"),
                                   point.value, point.at};
            }
        }
    return nearest;
}

QStringList BusiestCrawlers(const OverviewResult &result, int count)
{
    QStringList ids;
    for (const AgentOverview &agent : result.agents)  // busiest first already
        if ((agent.catalogued || agent.id == QLatin1String("other-bot")) && ids.size() < count)
            ids.append(agent.id);
    return ids;
}
