#pragma once

#include "overview/overview_result.h"

#include <QWidget>

#include <memory>

class QTabWidget;
class QTableView;

// One agent's details: its pages (filterable, sortable), its 4xx/5xx pages,
// its requests per day, its sections (目录) and hours (时段); selected rows
// can be copied.
class AgentDetails : public QWidget
{
    Q_OBJECT

public:
    AgentDetails(std::shared_ptr<const OverviewResult> result, const QString &agentId, QWidget *parent = nullptr);

private slots:
    void copySelectedRows();

private:
    QTableView *buildSections(const AgentOverview &agent);

    std::shared_ptr<const OverviewResult> result_;  // kept: the pages' text lives in it
    QTabWidget *tabs_;
    QTableView *pageTable_;
    QTableView *errorTable_;
    QTableView *sectionTable_ = nullptr;
};
