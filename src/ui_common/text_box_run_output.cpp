#include "ui_common/text_box_run_output.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QTextCursor>

void TextBoxRunOutput::appendText(const QString &text)
{
    QTextCursor end(text_->document());
    end.movePosition(QTextCursor::End);
    end.insertText(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    text_->verticalScrollBar()->setValue(text_->verticalScrollBar()->maximum());
}

void TextBoxRunOutput::setProgressMaximum(int maximum) { progress_->setMaximum(maximum); }

void TextBoxRunOutput::setProgressValue(int value) { progress_->setValue(value); }

void TextBoxRunOutput::yield() { QCoreApplication::processEvents(); }
