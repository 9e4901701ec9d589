#pragma once

#include "overview/overview_result.h"

#include <QWidget>

#include <memory>

class QLineEdit;
class QTabWidget;
class QTableView;
class QSortFilterProxyModel;

// One agent's details: its pages (filterable, sortable), its 4xx/5xx pages
// and its requests per day; selected rows can be copied.
class AgentDetails : public QWidget
{
    Q_OBJECT

public:
    AgentDetails(std::shared_ptr<const OverviewResult> result, const QString &agentId, QWidget *parent = nullptr);

    QString agentId() const { return agentId_; }

private slots:
    void copySelectedRows();

private:
    std::shared_ptr<const OverviewResult> result_;  // kept: the pages' text lives in it
    QString agentId_;
    QTabWidget *tabs_;
    QLineEdit *pageFilter_;
    QSortFilterProxyModel *pages_;
    QTableView *pageTable_;
    QTableView *errorTable_;
};
