#include "overview/ui/coverage_tab.h"

#include "overview/overview_format.h"
#include "overview/saved_file.h"
#include "overview/site_tables.h"
#include "overview/ui/overview_figures.h"
#include "overview/ui/report_table.h"
#include "ui_common/localized_message_box.h"
#include "ui_common/named_controls.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

NeverRequestedList::NeverRequestedList(const OverviewResult &result, const AgentOverview &agent, QWidget *parent)
    : QWidget(parent), urls_(NeverRequested(result, agent))
{
    setObjectName(QStringLiteral("neverRequested"));
    setWindowTitle(QStringLiteral("从未抓取 - %1").arg(agent.name));
    QList<ReportRow> rows;
    rows.reserve(urls_.size());
    for (const QString &url : std::as_const(urls_))
        rows.append({{{url, {}}}, url, 0});
    auto *model = new ReportTableModel({}, this);
    model->setRows({QStringLiteral("网址")}, std::move(rows));
    table_ = MakeReportTable(this, QStringLiteral("neverTable"), model);
    auto *summary = new QLabel(QStringLiteral("%1 从未请求过网站地图中的 %2 个网址")
                                   .arg(agent.name, CountText(urls_.size())), this);
    QPushButton *copy = NamedButton(this, QStringLiteral("copyNever"), QStringLiteral("复制选中行"));
    QPushButton *save = NamedButton(this, QStringLiteral("exportNever"), QStringLiteral("导出…"));
    connect(copy, &QPushButton::clicked, this, &NeverRequestedList::copySelectedRows);
    connect(save, &QPushButton::clicked, this, &NeverRequestedList::exportClicked);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(summary, 1);
    bottom->addWidget(copy);
    bottom->addWidget(save);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(table_, 1);
    layout->addLayout(bottom);
    resize(640, 480);
}

QString NeverRequestedList::exportTo(const QString &fileName) const
{
    return SaveFileAtomically(fileName, urls_.isEmpty() ? QByteArray() : (urls_.join(u'\n') + u'\n').toUtf8());
}

void NeverRequestedList::copySelectedRows() { QGuiApplication::clipboard()->setText(SelectedRowsText(table_)); }

void NeverRequestedList::exportClicked()
{
    const QString fileName = QFileDialog::getSaveFileName(this, QStringLiteral("导出从未抓取的网址"),
                                                          QStringLiteral("never.txt"), QStringLiteral("文本 (*.txt)"));
    if (fileName.isEmpty())
        return;
    if (const QString problem = exportTo(fileName); !problem.isEmpty())
        LocalizedMessageBox(problem, this, 64, QString());
}

CoverageTab::CoverageTab(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("coverageTab"));
    model_ = new ReportTableModel(ColumnHeaders(CoverageColumns()), this);
    auto *sorted = new TagFilterModel(this);
    sorted->setSourceModel(model_);
    table_ = MakeReportTable(this, QStringLiteral("coverageTable"), sorted);
    table_->sortByColumn(2, Qt::DescendingOrder);  // most sitemap URLs requested first
    summary_ = NamedLabel(this, QStringLiteral("coverageSummary"), QString());
    summary_->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(table_, 1);
    layout->addWidget(summary_);
    connect(table_, &QTableView::doubleClicked, this, &CoverageTab::openSelected);
    clear();
}

void CoverageTab::showResult(std::shared_ptr<const OverviewResult> result)
{
    result_ = std::move(result);
    model_->setRows(ColumnHeaders(CoverageColumns()), ColumnRows(CoverageColumns(), CoverageAgents(*result_)));
    table_->resizeColumnsToContents();
    if (!result_->sitemap) {
        summary_->setText(QStringLiteral("分析前给出网站地图，可看各蜘蛛抓了地图中的哪些网址。"));
        return;
    }
    QStringList lines{SitemapSummaryText(*result_) + QStringLiteral("；双击一行列出从未抓取的网址。")};
    summary_->setText((lines + SiteNotes(*result_)).join(u'\n'));
}

void CoverageTab::clear()
{
    result_.reset();
    model_->setRows(ColumnHeaders(CoverageColumns()), {});
    summary_->setText(QStringLiteral("分析前给出网站地图，可看各蜘蛛抓了地图中的哪些网址。"));
}

NeverRequestedList *CoverageTab::openNeverList(const QString &agentId)
{
    const AgentOverview *agent = result_ ? result_->agent(agentId) : nullptr;
    if (!agent || !agent->coverage)
        return nullptr;
    auto *list = new NeverRequestedList(*result_, *agent, this);
    list->setWindowFlag(Qt::Window);
    list->setAttribute(Qt::WA_DeleteOnClose);
    list->show();
    return list;
}

void CoverageTab::openSelected()
{
    const QModelIndex current = table_->currentIndex();
    if (current.isValid())
        openNeverList(current.data(ReportTableModel::KeyRole).toString());
}
