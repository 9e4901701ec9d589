#pragma once

#include "common/run_output.h"

class QPlainTextEdit;
class QProgressBar;

// A run writing into a window: text at the end of the report box, the
// progress bar, and the window system's pending events at every yield.
class TextBoxRunOutput final : public RunOutput
{
public:
    TextBoxRunOutput(QPlainTextEdit *text, QProgressBar *progress) : text_(text), progress_(progress) {}

    void appendText(const QString &text) override;
    void setProgressMaximum(int maximum) override;
    void setProgressValue(int value) override;
    void yield() override;

private:
    QPlainTextEdit *text_;
    QProgressBar *progress_;
};
