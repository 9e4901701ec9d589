#include "overview/overview_chart.h"

#include "overview/overview_format.h"

#include <algorithm>
#include <cmath>

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

}  // namespace

Chart DrawDayChart(const OverviewResult &result, const QStringList &agentIds, QSizeF size, const QString &caption)
{
    QList<const AgentOverview *> agents;
    for (const QString &id : agentIds)
        if (const AgentOverview *agent = result.agent(id))
            agents.append(agent);
    if (result.days.isEmpty() || agents.isEmpty())
        return DrawLineChart({}, {}, size, caption);
    const QDate lastDay = result.days.lastKey();
    const QDate firstDay = std::max(result.days.firstKey(), lastDay.addDays(1 - kMostChartDays));
    QList<QDate> days;
    for (QDate day = firstDay; day <= lastDay; day = day.addDays(1))
        days.append(day);
    QList<ChartLine> lines;
    for (const AgentOverview *agent : agents) {
        ChartLine line{agent->id, agent->name, {}};
        for (const QDate &day : days)
            line.values.append(agent->days.value(day));
        lines.append(line);
    }
    return DrawLineChart(days, lines, size, caption);
}

Chart DrawLineChart(const QList<QDate> &dates, const QList<ChartLine> &lines, QSizeF size, const QString &caption)
{
    Chart chart;
    chart.size = size;
    SvgText svg(size);
    const qreal captionHeight = DrawCaption(svg, caption);
    if (dates.isEmpty() || lines.isEmpty()) {
        DrawNoData(svg, size);
        chart.svg = svg.finish();
        return chart;
    }

    QList<LegendEntry> legend;
    for (qsizetype i = 0; i < lines.size(); ++i)
        legend.append({lines[i].label, QString::fromLatin1(kPalette[i % std::size(kPalette)])});
    constexpr qreal kLeft = 64, kRight = 40, kAxisLabels = 26;  // room for half a date label
    const qreal top = 14 + captionHeight;
    const qreal legendHeight = LegendHeight(legend, size.width() - kLeft - kRight);
    chart.plotArea = QRectF(kLeft, top, size.width() - kLeft - kRight,
                            std::max(40.0, size.height() - top - kAxisLabels - legendHeight - 8));
    const QRectF plot = chart.plotArea;

    const QDate firstDay = dates.front();
    const QDate lastDay = dates.back();
    const qint64 dayCount = dates.size();
    qint64 highest = 1;
    for (const ChartLine &line : lines)
        for (qint64 value : line.values)
            highest = std::max(highest, value);
    const qreal step = NiceStep(qreal(highest), 5);
    const qreal highestTick = std::ceil(qreal(highest) / step) * step;
    auto xOf = [&](qint64 day) {
        return plot.left() + (dayCount == 1 ? plot.width() / 2 : plot.width() * qreal(day) / qreal(dayCount - 1));
    };
    auto yOf = [&](qreal value) { return plot.bottom() - plot.height() * value / highestTick; };

    for (qreal value = 0; value <= highestTick + step / 2; value += step) {
        svg.line(QPointF(plot.left(), yOf(value)), QPointF(plot.right(), yOf(value)),
                 value == 0 ? QStringLiteral("#666666") : QStringLiteral("#e0e0e0"));
        svg.text(QPointF(plot.left() - 6, yOf(value) + 4), CountText(qint64(value)), "end");
    }
    // Month and day alone where they fit, unless the days cross a new year.
    const bool longDates = plot.width() / qreal(dayCount) >= 80 || dayCount == 1 || firstDay.year() != lastDay.year();
    const qreal labelWidth = longDates ? 80 : 48;
    const qint64 labelEvery = std::max<qint64>(1, qint64(std::ceil(qreal(dayCount) * labelWidth / plot.width())));
    for (qint64 day = 0; day < dayCount; day += labelEvery) {
        const QDate date = dates[day];
        const QString label = longDates ? DayText(date) : date.toString(QStringLiteral("MM-dd"));
        svg.line(QPointF(xOf(day), plot.bottom()), QPointF(xOf(day), plot.bottom() + 4), QStringLiteral("#666666"));
        svg.text(QPointF(xOf(day), plot.bottom() + 18), label, "middle");
    }

    for (qsizetype i = 0; i < lines.size(); ++i) {
        ChartSeries series{lines[i].id, lines[i].label, legend[i].color, {}};
        for (qint64 day = 0; day < dayCount; ++day) {
            const qint64 value = lines[i].values.value(day);
            series.points.append({QPointF(xOf(day), yOf(qreal(value))), dates[day], value});
        }
        svg.polyline(series.points, series.color);
        if (dayCount <= 62)
            for (const ChartPoint &point : series.points)
                svg.circle(point.at, 2.5, series.color);
        chart.series.append(series);
    }
    DrawLegend(svg, legend, kLeft, plot.bottom() + kAxisLabels + 4, plot.width());
    chart.svg = svg.finish();
    return chart;
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
                nearest = ChartHit{series.agentId,
                                   series.label + u' ' + point.day.toString(Qt::ISODate) + u'：' + CountText(point.value)
                                       + QStringLiteral(" 次"),
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
