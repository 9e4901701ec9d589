#pragma once

#include "common/stop_flag.h"
#include "indexing/service_catalogue.h"
#include "ranking/rank_run.h"
#include "ui_common/window_run.h"

#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QThread;
class QDoubleSpinBox;
class QTableView;
class ReportTableModel;
class TagFilterModel;

// 关键词排行分析: where a site ranks for its keywords on the engines that
// services.json defines ("kind": "serp"). The run asks the engines on
// threads of its own; the window shows each answer as it comes.
class KeywordRankWindow : public QWidget
{
    Q_OBJECT

public:
    // `environment`: tests pin the pauses and the randomness.
    explicit KeywordRankWindow(QWidget *parent = nullptr, RankEnvironment environment = {});
    ~KeywordRankWindow() override;

    bool running() const { return run_ && run_->running(); }
    // The last run's results; null before the first.
    const RankResults *results() const { return run_ ? &run_->results() : nullptr; }
    // The table as CSV; empty on success, else why not.
    QString exportCsv(const QString &path) const;

signals:
    void runFinished();

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void startRun();
    void stopRun();
    void showAnswer();
    void finishRun();
    void copyTable();
    void exportCsvClicked();

private:
    void buildControls();
    QWidget *buildEngineBoxes();
    void setRunning(bool running);
    void showTable();
    void loadSettings();
    void saveSettings();
    void keepInSite();  // the finished run into the chosen site's store, on a thread; then endRun
    void endRun(const QString &kept);  // `kept`: what the status says of the store, if anything
    QString saveKeywords() const;  // empty when saved, else why not

    QLineEdit *siteEdit_;
    QCheckBox *subdomainsBox_;  // 含子域名
    QSpinBox *depthBox_;
    QDoubleSpinBox *delayBox_;
    QComboBox *siteStoreBox_;  // 存入站点: none, or a site of the overview window whose store keeps the runs
    QPlainTextEdit *keywordsEdit_;  // one keyword a line, kept in gjc.txt
    QList<QCheckBox *> engineBoxes_;
    QPushButton *startButton_;  // 开始
    QPushButton *stopButton_;   // 停止
    QPushButton *copyButton_;   // 复制
    QPushButton *exportButton_;  // 导出CSV
    QProgressBar *progress_;
    QLabel *status_;
    ReportTableModel *ranks_;
    TagFilterModel *sorted_;
    QTableView *table_;

    ServiceCatalogue services_;
    RankEnvironment environment_;
    QString keywordPath_;
    StopFlag stop_;
    std::unique_ptr<RankRun> run_;
    // Keeping a run in a store waits up to 10 s for an import that holds it:
    // never on the GUI thread.
    QThread *keeping_ = nullptr;
    QString keptProblem_;                   // written by keeping_, read after it ended
    QList<QList<RankCell>> keptPrevious_;   // likewise
    WindowRun windowRun_{this, stop_};  // a close while the run goes waits for its threads
};
