#pragma once

#include "overview/overview_result.h"

#include <QWidget>

#include <memory>

class QLabel;
class QTableView;
class ReportTableModel;

// The robots tab: crawlers × their robots.txt violations, and the rules the
// selected crawler broke most.
class RobotsTab : public QWidget
{
    Q_OBJECT

public:
    explicit RobotsTab(QWidget *parent = nullptr);

    void showResult(std::shared_ptr<const OverviewResult> result);
    void clear();

private slots:
    void showRules();

private:
    std::shared_ptr<const OverviewResult> result_;
    ReportTableModel *agents_;
    QTableView *agentTable_;
    ReportTableModel *rules_;
    QLabel *summary_;
};
