#include "overview/ui/chart_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

QImage RenderChart(const Chart &chart)
{
    if (chart.empty() || chart.size.isEmpty())
        return {};
    QImage image(chart.size.toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QSvgRenderer renderer(chart.svg.toUtf8());
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), chart.size));
    return image;
}

ChartView::ChartView(const QString &name, QWidget *parent) : QWidget(parent)
{
    setObjectName(name);
    setMouseTracking(true);
    setMinimumSize(240, 160);
}

void ChartView::setDrawer(Drawer drawer)
{
    drawer_ = std::move(drawer);
    stale_ = true;
    update();
}

const Chart &ChartView::chart()
{
    drawIfStale();
    return chart_;
}

QImage ChartView::image() const { return drawer_ ? RenderChart(drawer_({})) : QImage(); }

void ChartView::drawIfStale()
{
    if (!stale_)
        return;
    stale_ = false;
    chart_ = drawer_ ? drawer_(QSizeF(size())) : Chart{};
    renderer_.load(chart_.svg.toUtf8());
}

QRectF ChartView::chartRect() const
{
    // The whole chart fits in the view, keeping its proportions, centred.
    if (chart_.size.isEmpty())
        return {};
    const QSizeF fitted = chart_.size.scaled(QSizeF(size()), Qt::KeepAspectRatio);
    return QRectF(QPointF((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
}

void ChartView::paintEvent(QPaintEvent *)
{
    drawIfStale();
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (chart_.empty()) {
        painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("没有可画的数据"));
        return;
    }
    renderer_.render(&painter, chartRect());
}

void ChartView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    stale_ = true;
}

void ChartView::mouseMoveEvent(QMouseEvent *event)
{
    drawIfStale();
    const QRectF area = chartRect();
    if (area.isEmpty())
        return;
    const qreal scale = area.width() / chart_.size.width();
    const QPointF at = (event->position() - area.topLeft()) / scale;
    const std::optional<ChartHit> hit = ChartHitAt(chart_, at);
    if (hit)
        QToolTip::showText(event->globalPosition().toPoint(), hit->text, this);
    else
        QToolTip::hideText();
}
