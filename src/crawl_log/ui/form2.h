#pragma once

#include <QDialog>

class PageSet;
class QPlainTextEdit;

// The crawled-page window: one line per distinct page of the last run.
class Form2 : public QDialog
{
    Q_OBJECT

public:
    explicit Form2(QWidget *parent = nullptr);

    // Caption spiderName + "搜索过的页面", the pages from first to last, then
    // shown modally; emptied again when it closes.
    void showPages(const QString &spiderName, const PageSet &pages);

protected:
    void done(int result) override;

private:
    QPlainTextEdit *Text1;
};
