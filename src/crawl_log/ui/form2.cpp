#include "crawl_log/ui/form2.h"

#include "crawl_log/page_set.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

Form2::Form2(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("搜索引擎搜索过的页面－澜岫软件"));
    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Text1);
    resize(520, 420);
}

void Form2::showPages(const QString &spiderName, const PageSet &pages)
{
    setWindowTitle(spiderName + QStringLiteral("搜索过的页面"));
    QString text;
    for (const QString &page : pages.pages())
        text += page + u'\n';
    Text1->setPlainText(text);
    exec();
}

void Form2::done(int result)
{
    Text1->clear();
    QDialog::done(result);
}
