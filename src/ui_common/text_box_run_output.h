#pragma once

#include "common/run_output.h"

#include <QElapsedTimer>
#include <QString>
#include <QTimer>

class QPlainTextEdit;
class QProgressBar;

// A run writing into a window: text at the end of the report box, the
// progress bar, and the window system's pending events at the yields.
//
// A run over thousands of small files must not spend more on showing than on
// reading: text reaches the box at most every 50 ms in one piece, the bar
// takes at most a thousand steps, and the window system's input is read at
// most every 20 ms. Whatever text is pending shows when the run is over (the
// object is destroyed).
class TextBoxRunOutput final : public RunOutput
{
public:
    TextBoxRunOutput(QPlainTextEdit *text, QProgressBar *progress);
    ~TextBoxRunOutput() override;

    void appendText(const QString &text) override;
    void setProgressMaximum(int maximum) override;
    void setProgressValue(int value) override;
    void yield() override;

private:
    void showPendingText();

    QPlainTextEdit *text_;
    QProgressBar *progress_;
    QString pending_;
    QTimer showTimer_;
    int shownStep_ = -1;
    QElapsedTimer sinceInput_;
};
