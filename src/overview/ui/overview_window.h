#pragma once

#include "overview/overview_result.h"
#include "overview/ui/overview_runner.h"
#include "overview/ui/store_runner.h"

#include <QWidget>

#include <memory>

class AgentDetails;
class ChartView;
class CoverageTab;
class ProblemLine;
class RobotsTab;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTableView;
class QTimer;
class ReportTableModel;
class TagFilterModel;
class TrendTab;

// The crawler overview window: a log folder in, every crawler's figures out
// as a table, a per-day chart and a status chart, with details per crawler,
// the crawler check (验证) and its fakes, and exports. The engines run on a
// worker thread; the window only wires controls to them.
class OverviewWindow : public QWidget
{
    Q_OBJECT

public:
    explicit OverviewWindow(QWidget *parent = nullptr);

    void setFolder(const QString &folder, bool recursive = false);
    // A fresh overview of `folder`: old results cleared, the automatic format, the run started.
    void startOverview(const QString &folder, bool recursive);
    bool running() const { return runner_.running() || storeRunner_.running(); }

    // Sites: a name whose folder, format and store the window remembers.
    // Without one the window reads the logs as ever; with one, 导入 brings
    // what is new into its store and the results come from the store.
    void createSite(const QString &name);
    void chooseSite(const QString &name);  // empty: no site
    QString siteName() const;

    // The whole result, and the part of it the ticked categories show.
    std::shared_ptr<const OverviewResult> result() const { return result_; }
    std::shared_ptr<const OverviewResult> shownResult() const { return shown_; }

    // Shows a finished overview, as a run does when it ends.
    void showResult(std::shared_ptr<const OverviewResult> result);
    // Opens the agent's details beside this window; null for an unknown agent.
    AgentDetails *openDetails(const QString &agentId);

    // The exports of the shown rows, through the engine's writers; empty on
    // success, else the reason, in Chinese. The buttons ask where and show
    // the reason.
    QString exportCsv(const QString &folder) const;
    QString exportHtml(const QString &fileName) const;
    QString exportCharts(const QString &folder) const;  // kChartFiles, headed by the report's caption
    static const QStringList kChartFiles;

signals:
    void runFinished();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private slots:
    void chooseFolder();
    void chooseSitemap();
    void chooseRobots();
    void startRun();
    void stopRun();
    void showProgress();
    void finishRun(std::shared_ptr<const OverviewResult> result);
    void updateFilter();
    void updateCharts();
    void copyFakeClients();
    void openSelectedDetails();
    void exportCsvClicked();
    void exportHtmlClicked();
    void exportChartsClicked();
    void siteChosen();
    void newSiteClicked();
    void removeSiteClicked();
    void importSite();
    void finishStoreRun(std::shared_ptr<const OverviewResult> result, QStringList report);

private:
    void buildControls();
    QWidget *buildFakeClients();
    void addSiteInputs(QGridLayout *input);
    SiteRequest siteRequest() const;
    QStringList chartAgentIds(int busiest) const;
    void clearResult();
    void showMessage(const QString &text);
    QString exportStart() const;  // where export dialogs open: the last export folder, else the log folder
    void rememberExportFolder(const QString &folder);
    void loadSettings();
    void saveSettings();
    void rememberFormat(const QString &format);
    // The log format the 日志格式 box names: a definition's by its title, "" for 自动, else as typed.
    QString chosenFormat() const;
    // What the box shows for a format: a definition's title, else the format itself.
    QString formatText(const QString &format) const;
    // Where clients come from; false with a message shown when the trusted proxies are malformed.
    bool chooseClients(OverviewRequest &request);
    // The dates of the range; false (and said) when one is not a date.
    bool readRange(QDate &from, QDate &to);
    // Reads the store of the chosen site, importing its folder first when asked.
    void startStoreRun(bool import);

    QLineEdit *folderEdit_;
    QPushButton *chooseFolder_;
    QCheckBox *recursive_;
    QLineEdit *sitemapEdit_;  // sitemaps: files or addresses, separated by ';'
    QLineEdit *robotsEdit_;
    QComboBox *format_;
    QLineEdit *from_;
    QLineEdit *to_;
    QCheckBox *verify_;
    QCheckBox *forwarded_;
    QLineEdit *trustedProxies_;
    QPushButton *start_;
    QPushButton *stop_;
    QProgressBar *progress_;
    QLabel *status_;
    QList<QCheckBox *> categories_;  // one per AgentCategory, in its order
    ReportTableModel *agents_;
    TagFilterModel *shownAgents_;
    QTableView *agentTable_;
    QLabel *totals_;
    QLabel *headline_;  // what makes the check's figures doubtful, above the table
    ProblemLine *problems_;
    QTabWidget *charts_;
    ChartView *dayChart_;
    ChartView *statusChart_;
    ReportTableModel *fakes_;
    QTableView *fakeTable_;
    QLabel *verificationNotes_;
    CoverageTab *coverage_;
    RobotsTab *robots_;
    QPushButton *exportCsv_;
    QPushButton *exportHtml_;
    QPushButton *exportCharts_;
    QComboBox *site_;
    QPushButton *newSite_;
    QPushButton *removeSite_;
    QPushButton *import_;
    TrendTab *trend_;

    std::shared_ptr<const LogFormats> formats_;  // built-in and the user's formats.json, read when the window opens
    int fixedFormats_ = 0;                        // the box's items before the remembered format strings
    OverviewRunner runner_;
    StoreRunner storeRunner_;
    QString storeShown_;  // the store the shown result came from; empty for logs
    QTimer *progressTimer_;
    std::shared_ptr<const OverviewResult> result_;
    std::shared_ptr<const OverviewResult> shown_;  // result_ cut to the ticked categories
    bool closeAfterRun_ = false;
    bool geometryRestored_ = false;
};
