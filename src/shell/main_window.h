#pragma once

#include <QMainWindow>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

// The main frame: the menu that opens the job windows as children of its
// workspace (each once; choosing it again brings it to the front), the 窗口
// menu over them, the strip with the maker's links. Its size and place are
// remembered.
class MDIForm1 : public QMainWindow
{
    Q_OBJECT

public:
    explicit MDIForm1(QWidget *parent = nullptr);
    ~MDIForm1() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void openCrawlLogWindow();
    void openIndexingWindow();
    void openOverview(const QString &folder = QString(), bool recursive = false);
    void openKeywordRanking();
    void showAbout();
    void listWindows();

private:
    // The workspace's child holding a `T`, brought to the front; null when none.
    template <typename T>
    T *raiseChild();
    QMdiSubWindow *addChild(QWidget *window);
    void buildWindowMenu();

    QWidget *Picture1;  // the strip across the top
    QLabel *Image1;     // link: the maker's banner
    QLabel *Label3;     // link: free software
    QLabel *Label4;     // link: custom software
    QMdiArea *workspace_;
    QMenu *windowMenu_;
    bool closeWhenChildrenGone_ = false;  // a child's run is ending before the frame may close
};
