#pragma once

#include <QMainWindow>

class QAction;
class QLabel;
class QMdiArea;

// The main frame: the menu that opens the two job windows, the strip with
// the maker's links, an empty workspace.
class MDIForm1 : public QMainWindow
{
    Q_OBJECT

public:
    explicit MDIForm1(QWidget *parent = nullptr);

private slots:
    void openCrawlLogWindow();
    void openIndexingWindow();
    void openOverview(const QString &folder = QString(), bool recursive = false);
    void openKeywordRanking();
    void showAbout();

private:
    QWidget *Picture1;  // the strip across the top
    QLabel *Image1;     // link: the maker's banner
    QLabel *Label3;     // link: free software
    QLabel *Label4;     // link: custom software
    QMdiArea *workspace_;
};
