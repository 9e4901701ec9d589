#pragma once

#include "overview/overview_result.h"

#include <QWidget>

#include <memory>

class QLabel;
class QTableView;
class ReportTableModel;

// One crawler's sitemap URLs it never requested: copyable and exportable.
class NeverRequestedList : public QWidget
{
    Q_OBJECT

public:
    NeverRequestedList(const OverviewResult &result, const AgentOverview &agent, QWidget *parent = nullptr);

    // Saves the URLs, one a line (UTF-8); empty on success, else why not.
    QString exportTo(const QString &fileName) const;

private slots:
    void copySelectedRows();
    void exportClicked();

private:
    QStringList urls_;
    QTableView *table_;
};

// The 覆盖 tab: crawlers × their sitemap coverage; a double-click lists the
// URLs a crawler never requested.
class CoverageTab : public QWidget
{
    Q_OBJECT

public:
    explicit CoverageTab(QWidget *parent = nullptr);

    void showResult(std::shared_ptr<const OverviewResult> result);
    void clear();
    // Opens the list beside the window; null when the agent has no coverage.
    NeverRequestedList *openNeverList(const QString &agentId);

private slots:
    void openSelected();

private:
    std::shared_ptr<const OverviewResult> result_;
    ReportTableModel *model_;
    QTableView *table_;
    QLabel *summary_;
};
