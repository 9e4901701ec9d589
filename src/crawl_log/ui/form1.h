#pragma once

#include "common/stop_flag.h"
#include "ui_common/window_run.h"
#include "crawl_log/page_set.h"
#include "logs/log_input.h"

#include <QDialog>
#include <QTimer>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

// The crawl-log window: the log folder, a button per crawler, the result
// text, the list of run totals and the crawled-page window.
class Form1 : public QDialog
{
    Q_OBJECT

public:
    explicit Form1(QWidget *parent = nullptr);

    bool running() const { return run_.running(); }
    const PageSet &runWidePages() const { return runWidePages_; }

signals:
    // 全部蜘蛛概览: the overview of every crawler, on this window's folder and sub-folder tick.
    void overviewRequested(const QString &folder, bool recursive);

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void text1Changed();
    void followFolderBox();
    void command1Clicked();
    void command16Clicked();
    void command17Clicked();
    void command18Clicked();
    void command4Clicked();
    void command5Clicked();
    void command19Clicked();

private:
    void buildControls();
    void setFileListFolder(const QString &folder);
    void listLogFiles();
    void refreshFileList();
    void text1LostFocus();
    void runCrawlAnalysis(const QString &spiderName, const QString &token);

    // Controls, named as the window's design names them.
    QLineEdit *Text1;        // log folder
    QPushButton *Command1;   // 指定
    QListWidget *File1;      // the folder's log files
    QLabel *Label5;          // number of log files
    QPushButton *Command17;  // 刷新
    QCheckBox *Check1;       // 包含子目录: list the logs of sub-folders too
    QGroupBox *Frame1;       // 搜索情况分析: the crawler buttons
    QLineEdit *Text3;        // typed crawler token
    QPushButton *Command16;  // 自定义分析
    QPushButton *Command19;  // 停止分析
    QPushButton *Command20;  // 全部蜘蛛概览
    QLabel *Label6;          // 分析结果：
    QPlainTextEdit *Text2;   // the result text
    QListWidget *List1;      // one total per run
    QProgressBar *Pb1;       // progress by file
    QPushButton *Command4;   // 清空
    QPushButton *Command5;   // 复制全部
    QPushButton *Command18;  // 查看网页详细
    QLabel *Label7;          // 蛛迹通, the heading
    QLabel *Label9;          // the last run's requests in total
    QLabel *Label8;          // the note on wrong results
    QLabel *Label3;          // link: free software
    QLabel *Label4;          // link: custom software
    QLabel *Image1;          // link: the maker's banner

    QString fileListFolder_;  // File1's folder
    QTimer followTyping_;     // File1 follows the typed folder when typing pauses
    LogInputScan fileListScan_;  // what File1 shows, with the reasons of files it cannot read
    QString SpiderName;
    StopFlag StopRequested;
    PageSet runWidePages_;
    WindowRun run_{this, StopRequested};
    bool reportingMissingFolder_ = false;
};
