#include "overview/ui/trend_tab.h"

#include "overview/agent_catalogue.h"
#include "overview/overview_chart.h"
#include "overview/ui/chart_view.h"
#include "store/trend.h"
#include "ui_common/named_controls.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

TrendTab::TrendTab(QWidget *parent) : QWidget(parent)
{
    period_ = new QComboBox(this);
    period_->setObjectName(QStringLiteral("trendPeriod"));
    period_->addItem(QStringLiteral("按周"), int(TrendPeriod::Week));
    period_->addItem(QStringLiteral("按日"), int(TrendPeriod::Day));
    period_->addItem(QStringLiteral("按月"), int(TrendPeriod::Month));
    chart_ = new ChartView(QStringLiteral("trendChart"), this);
    problem_ = NamedLabel(this, QStringLiteral("trendProblem"), QString());
    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("站点全部历史的请求数："), this));
    top->addWidget(period_);
    top->addWidget(problem_, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(chart_, 1);
    connect(period_, &QComboBox::currentIndexChanged, this, &TrendTab::redraw);
}

void TrendTab::setStore(const QString &storePath, const QStringList &agentIds)
{
    storePath_ = storePath;
    agentIds_ = agentIds;
    stale_ = !isVisible();
    if (!stale_)
        redraw();
}

void TrendTab::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (stale_)
        redraw();
}

void TrendTab::redraw()
{
    stale_ = false;
    problem_->clear();
    if (storePath_.isEmpty()) {
        chart_->setDrawer({});
        problem_->setText(QStringLiteral("选择一个站点并导入后显示趋势"));
        return;
    }
    // A store answers a year's trend in well under a second: no worker needed.
    QString problem;
    const TrendRequest request{storePath_, TrendPeriod(period_->currentData().toInt()), agentIds_};
    const std::optional<TrendResult> trend = TrendFromStore(request, LoadAgentCatalogue(), &problem);
    if (!trend) {
        chart_->setDrawer({});
        problem_->setText(problem);
        return;
    }
    QList<QDate> starts;
    QList<ChartLine> lines;
    for (const TrendAgent &agent : trend->agents) {
        ChartLine line{agent.id, agent.name, {}};
        starts.clear();
        for (const TrendPoint &point : agent.periods) {
            starts.append(point.start);
            line.values.append(point.requests);
        }
        lines.append(line);
    }
    chart_->setDrawer([starts, lines](QSizeF size) {
        return size.isEmpty() ? DrawPeriodChart(starts, lines) : DrawPeriodChart(starts, lines, size);
    });
}
