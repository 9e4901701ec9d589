#pragma once

#include "overview/overview_chart.h"

#include <QImage>
#include <QSvgRenderer>
#include <QWidget>

#include <functional>

// Shows a chart the engine drew (its SVG, the same the HTML report holds) and
// tells the value under the mouse from the chart's geometry. The chart is
// drawn again for the view's size, so its text stays sharp, and only when it
// is looked at: a chart on a hidden tab costs nothing.
class ChartView : public QWidget
{
    Q_OBJECT

public:
    using Drawer = std::function<Chart(QSizeF size)>;

    explicit ChartView(const QString &name, QWidget *parent = nullptr);

    // How to draw the chart for a size; an empty drawer shows nothing.
    void setDrawer(Drawer drawer);
    const Chart &chart();

    // The chart drawn at the engine's own size, as an image; a null image when
    // there is nothing to draw.
    QImage image() const;

    QSize sizeHint() const override { return {600, 320}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void drawIfStale();
    QRectF chartRect() const;  // where the chart lies in the view

    Drawer drawer_;
    Chart chart_;
    QSvgRenderer renderer_;
    bool stale_ = false;  // the drawer or the size changed since the chart was drawn
};

// Renders an engine chart's SVG into an image of the chart's size.
QImage RenderChart(const Chart &chart);
