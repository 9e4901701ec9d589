#include "overview/ui/problem_line.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

ProblemLine::ProblemLine(QWidget *parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("problemsLabel"));
    setWordWrap(true);
    setTextFormat(Qt::RichText);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse);
    connect(this, &QLabel::linkActivated, this, [this] { openList(); });
}

void ProblemLine::setProblems(const QStringList &summary, const QStringList &all, Tone tone)
{
    all_ = all;
    setStyleSheet(tone == Tone::Problem ? QStringLiteral("color: #b00020") : QString());
    QStringList lines;
    for (const QString &line : summary)
        lines.append(line.toHtmlEscaped());
    // The link when the list holds more than the summary says.
    if (!lines.isEmpty() && all != summary)
        lines.back() += QStringLiteral(" <a href=\"list\">查看全部 %1 条</a>").arg(all.size());
    setText(lines.join(QStringLiteral("<br>")));
    setVisible(!lines.isEmpty());
}

QWidget *ProblemLine::openList()
{
    auto *window = new QDialog(this);
    window->setObjectName(QStringLiteral("problemList"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(QStringLiteral("问题（%1 条）").arg(all_.size()));
    auto *text = new QPlainTextEdit(all_.join(u'\n'), window);
    text->setObjectName(QStringLiteral("problemText"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, window);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("关闭"));
    connect(buttons, &QDialogButtonBox::rejected, window, &QDialog::close);
    auto *layout = new QVBoxLayout(window);
    layout->addWidget(text);
    layout->addWidget(buttons);
    window->resize(640, 400);
    window->show();
    return window;
}
