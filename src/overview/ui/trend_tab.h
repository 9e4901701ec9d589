#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class ChartView;
class QComboBox;
class QLabel;

// The 趋势 tab: requests per day, week or month of the chosen agents over a
// store's whole history, drawn by the overview's line-chart drawer.
class TrendTab : public QWidget
{
    Q_OBJECT

public:
    explicit TrendTab(QWidget *parent = nullptr);

    // An empty store path clears the tab. Read from the store when the tab is seen.
    void setStore(const QString &storePath, const QStringList &agentIds);

protected:
    void showEvent(QShowEvent *event) override;

private slots:
    void redraw();

private:
    QComboBox *period_;
    ChartView *chart_;
    QLabel *problem_;
    QString storePath_;
    QStringList agentIds_;
    bool stale_ = false;  // asked for while hidden: drawn when shown
};
