#include "overview/ui/robots_tab.h"

#include "overview/overview_format.h"
#include "overview/site_tables.h"
#include "overview/ui/overview_figures.h"
#include "overview/ui/report_table.h"
#include "ui_common/named_controls.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace {

const QStringList kRuleHeaders = {QStringLiteral("规则"), QStringLiteral("请求数")};

QString NoRobotsText() { return QStringLiteral("分析前给出 robots.txt，可看哪些蜘蛛抓了不许抓的网址。"); }

}  // namespace

RobotsTab::RobotsTab(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("robotsTab"));
    agents_ = new ReportTableModel(ColumnHeaders(RobotsColumns()), this);
    auto *sorted = new TagFilterModel(this);
    sorted->setSourceModel(agents_);
    agentTable_ = MakeReportTable(this, QStringLiteral("robotsTable"), sorted);
    agentTable_->sortByColumn(3, Qt::DescendingOrder);  // most disallowed requests first
    rules_ = new ReportTableModel(kRuleHeaders, this);
    QTableView *ruleTable = MakeReportTable(this, QStringLiteral("ruleTable"), rules_);
    summary_ = NamedLabel(this, QStringLiteral("robotsSummary"), QString());
    summary_->setWordWrap(true);
    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(agentTable_);
    splitter->addWidget(ruleTable);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addWidget(summary_);
    connect(agentTable_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &RobotsTab::showRules);
    clear();
}

void RobotsTab::showResult(std::shared_ptr<const OverviewResult> result)
{
    result_ = std::move(result);
    agents_->setRows(ColumnHeaders(RobotsColumns()), ColumnRows(RobotsColumns(), RobotsAgents(*result_)));
    agentTable_->resizeColumnsToContents();
    rules_->setRows(kRuleHeaders, {});
    if (!result_->robotsTxt) {
        summary_->setText(NoRobotsText());
        return;
    }
    const QStringList lines{RobotsSummaryText(*result_) + QStringLiteral("（%1）；选中一行看该蜘蛛违反的规则。")
                                                               .arg(result_->robotsTxt->source)};
    summary_->setText((lines + SiteNotes(*result_)).join(u'\n'));
}

void RobotsTab::clear()
{
    result_.reset();
    agents_->setRows(ColumnHeaders(RobotsColumns()), {});
    rules_->setRows(kRuleHeaders, {});
    summary_->setText(NoRobotsText());
}

void RobotsTab::showRules()
{
    const QModelIndex current = agentTable_->currentIndex();
    const AgentOverview *agent =
        result_ && current.isValid() ? result_->agent(current.data(ReportTableModel::KeyRole).toString()) : nullptr;
    QList<ReportRow> rows;
    if (agent && agent->robots)
        for (const RuleRequests &rule : agent->robots->topRules)
            rows.append({{{rule.rule, {}}, {CountText(rule.requests), rule.requests}}, rule.rule, 0});
    rules_->setRows(kRuleHeaders, std::move(rows));
}
