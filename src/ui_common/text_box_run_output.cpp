#include "ui_common/text_box_run_output.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QTextCursor>

namespace {

constexpr int kTextIntervalMs = 50;
constexpr int kInputIntervalMs = 20;
constexpr int kProgressSteps = 1000;

}  // namespace

TextBoxRunOutput::TextBoxRunOutput(QPlainTextEdit *text, QProgressBar *progress) : text_(text), progress_(progress)
{
    showTimer_.setSingleShot(true);
    showTimer_.setInterval(kTextIntervalMs);
    QObject::connect(&showTimer_, &QTimer::timeout, text_, [this] { showPendingText(); });
}

TextBoxRunOutput::~TextBoxRunOutput() { showPendingText(); }

void TextBoxRunOutput::appendText(const QString &text)
{
    pending_ += text;
    if (!showTimer_.isActive())
        showTimer_.start();
}

void TextBoxRunOutput::showPendingText()
{
    showTimer_.stop();
    if (pending_.isEmpty())
        return;
    QTextCursor end(text_->document());
    end.movePosition(QTextCursor::End);
    end.insertText(pending_.replace(QLatin1String("\r\n"), QLatin1String("\n")));
    pending_.clear();
    text_->verticalScrollBar()->setValue(text_->verticalScrollBar()->maximum());
}

void TextBoxRunOutput::setProgressMaximum(int maximum)
{
    progress_->setMaximum(maximum);
    shownStep_ = -1;
}

// Setting the bar's value costs a style query even when the bar does not
// move, and repaints it at once when it does: values within the step already
// shown are passed over (0 never), and the bar is repainted with the rest of
// the window, when the window system's events are next handled.
void TextBoxRunOutput::setProgressValue(int value)
{
    const qint64 span = qMax(1, progress_->maximum() - progress_->minimum());
    const int step = int(qint64(value - progress_->minimum()) * kProgressSteps / span);
    if (step == shownStep_ && value != 0)
        return;
    shownStep_ = step;
    progress_->setUpdatesEnabled(false);
    progress_->setValue(value);
    progress_->setUpdatesEnabled(true);  // asks for a repaint later
}

void TextBoxRunOutput::yield()
{
    // Queued calls are cheap to deliver and are handled at every yield, in
    // step with the run; the window system's events (input, repaints) at
    // most every 20 ms.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    if (sinceInput_.isValid() && sinceInput_.elapsed() < kInputIntervalMs)
        return;
    QCoreApplication::processEvents();
    sinceInput_.start();
}
