#include "overview/ui/agent_details.h"

#include "overview/overview_format.h"
#include "overview/site_tables.h"
#include "overview/ui/chart_view.h"
#include "overview/ui/overview_figures.h"
#include "overview/ui/report_table.h"
#include "overview/ui/table_menu.h"
#include "common/text_rules.h"
#include "ui_common/named_controls.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QSortFilterProxyModel *sortedRows(QObject *parent, const QStringList &headers, QList<ReportRow> rows)
{
    auto *model = new ReportTableModel({}, parent);
    model->setRows(headers, std::move(rows));
    auto *proxy = new QSortFilterProxyModel(parent);
    proxy->setSourceModel(model);
    proxy->setSortRole(ReportTableModel::SortRole);
    proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
    proxy->setFilterKeyColumn(0);
    return proxy;
}

// A table under a box that keeps the rows whose page holds the typed text.
QWidget *filteredTab(QWidget *parent, QTableView *table, QSortFilterProxyModel *rows, const QString &filterName)
{
    auto *filter = new QLineEdit(parent);
    filter->setObjectName(filterName);
    filter->setPlaceholderText(QStringLiteral("筛选页面"));
    filter->setClearButtonEnabled(true);
    QObject::connect(filter, &QLineEdit::textChanged, rows, &QSortFilterProxyModel::setFilterFixedString);
    auto *tab = new QWidget(parent);
    auto *layout = new QVBoxLayout(tab);
    layout->addWidget(filter);
    layout->addWidget(table);
    AddTableMenu(table);
    return tab;
}

}  // namespace

AgentDetails::AgentDetails(std::shared_ptr<const OverviewResult> result, const QString &agentId, QWidget *parent)
    : QWidget(parent), result_(std::move(result))
{
    setObjectName(QStringLiteral("agentDetails"));
    const AgentOverview *agent = result_->agent(agentId);
    Q_ASSERT(agent);
    setWindowTitle(QStringLiteral("蜘蛛详情 - %1").arg(agent->name));

    QSortFilterProxyModel *pages = sortedRows(this, PageColumnHeaders(), PageRows(*result_, *agent));
    pageTable_ = MakeReportTable(this, QStringLiteral("pageTable"), pages);
    pageTable_->sortByColumn(1, Qt::DescendingOrder);
    QSortFilterProxyModel *errors = sortedRows(this, ErrorColumnHeaders(), ErrorRows(*result_, *agent));
    errorTable_ = MakeReportTable(this, QStringLiteral("errorTable"), errors);
    errorTable_->sortByColumn(2, Qt::DescendingOrder);

    auto *days = new ChartView(QStringLiteral("agentDayChart"), this);
    days->setDrawer([result = result_, id = agentId](QSizeF size) {
        return size.isEmpty() ? DrawDayChart(*result, {id}) : DrawDayChart(*result, {id}, size);
    });

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("detailTabs"));
    tabs_->addTab(filteredTab(this, pageTable_, pages, QStringLiteral("pageFilter")), QStringLiteral("页面"));
    tabs_->addTab(filteredTab(this, errorTable_, errors, QStringLiteral("errorFilter")), QStringLiteral("4xx/5xx 页面"));
    tabs_->addTab(days, QStringLiteral("每日请求"));
    tabs_->addTab(buildSections(*agent), QStringLiteral("目录"));
    auto *hours = new ChartView(QStringLiteral("agentHourChart"), this);
    hours->setDrawer([result = result_, id = agentId](QSizeF size) {
        return size.isEmpty() ? DrawHourChart(*result, {id}) : DrawHourChart(*result, {id}, size);
    });
    tabs_->addTab(hours, QStringLiteral("时段"));

    auto *summary = new QLabel(QStringLiteral("%1（%2）：请求 %3 次，页面 %4 个，成功页面 %5 个，最后 %6")
                                   .arg(agent->name, CategoryName(agent->category), CountText(agent->requests),
                                        CountText(agent->pages), CountText(agent->validPages),
                                        agent->last.isValid() ? ChineseDateTimeText(agent->last) : QStringLiteral("—")),
                               this);
    QPushButton *copy = NamedButton(this, QStringLiteral("copyRows"), QStringLiteral("复制选中行"));
    connect(copy, &QPushButton::clicked, this, &AgentDetails::copySelectedRows);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(summary, 1);
    bottom->addWidget(copy);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tabs_, 1);
    layout->addLayout(bottom);
    for (QTableView *table : {pageTable_, errorTable_}) {
        table->resizeColumnsToContents();
        table->horizontalHeader()->resizeSection(0, qBound(120, table->columnWidth(0), 420));
    }
    resize(720, 480);
}

QTableView *AgentDetails::buildSections(const AgentOverview &agent)
{
    QList<ReportRow> rows;
    for (const SectionRequests &section : agent.sections) {
        const QStringList cells = SectionRow(section, AgentColumn::Shown::ForPeople);
        const QList<qint64> numbers{section.requests, section.pages, section.errors};
        ReportRow row{{{cells[0], {}}}, section.section, 0};
        for (qsizetype i = 0; i < numbers.size(); ++i)
            row.cells.append({cells[i + 1], numbers[i]});
        rows.append(std::move(row));
    }
    sectionTable_ = MakeReportTable(this, QStringLiteral("sectionTable"), sortedRows(this, SectionHeaders(), rows));
    sectionTable_->sortByColumn(1, Qt::DescendingOrder);
    return sectionTable_;
}

void AgentDetails::copySelectedRows()
{
    const QTableView *table = tabs_->currentWidget() == sectionTable_ ? sectionTable_
        : tabs_->currentIndex() == 1                                 ? errorTable_
                                                                     : pageTable_;
    QGuiApplication::clipboard()->setText(SelectedRowsText(table));
}
