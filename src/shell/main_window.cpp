#include "shell/main_window.h"

#include "common/app_identity.h"
#include "crawl_log/ui/form1.h"
#include "indexing/ui/form3.h"
#include "overview/ui/overview_window.h"
#include "ranking/ui/keyword_rank_window.h"
#include "ui_common/maker_links.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace {

QAction *menuCommand(QMenuBar *bar, const QString &caption)
{
    QAction *action = bar->addAction(caption);
    action->setObjectName(QStringLiteral("menu") + QString(caption).remove(QRegularExpression(QStringLiteral("\\(&.\\)$"))));
    return action;
}

}  // namespace

MDIForm1::MDIForm1(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MDIForm1"));
    setWindowTitle(AppIdentity::frameCaption());

    QMenuBar *bar = menuBar();
    connect(menuCommand(bar, QStringLiteral("服务器日志分析(&L)")), &QAction::triggered, this,
            &MDIForm1::openCrawlLogWindow);
    connect(menuCommand(bar, QStringLiteral("实际收录分析(&C)")), &QAction::triggered, this,
            &MDIForm1::openIndexingWindow);
    connect(menuCommand(bar, QStringLiteral("蜘蛛概览(&O)")), &QAction::triggered, this, [this] { openOverview(); });
    connect(menuCommand(bar, QStringLiteral("关键词排行分析(&K)")), &QAction::triggered, this,
            &MDIForm1::openKeywordRanking);
    QMenu *help = bar->addMenu(QStringLiteral("帮助(&H)"));
    help->setObjectName(QStringLiteral("menu帮助"));
    help->menuAction()->setObjectName(QStringLiteral("menu帮助"));
    QAction *about = help->addAction(QStringLiteral("关于"));
    about->setObjectName(QStringLiteral("menu关于"));
    connect(about, &QAction::triggered, this, &MDIForm1::showAbout);
    connect(menuCommand(bar, QStringLiteral("退出(&E)")), &QAction::triggered, this, &QWidget::close);

    auto *central = new QWidget(this);
    Picture1 = new QWidget(central);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setAutoFillBackground(true);
    Image1 = MakerLinks::makeImage(Picture1);
    Label3 = MakerLinks::makeLabel(Picture1, "Label3", QStringLiteral("澜岫提供更多好的免费软件"));
    Label4 = MakerLinks::makeLabel(Picture1, "Label4", QStringLiteral("澜岫为您定制各种专业软件"));
    new MakerLinks(Picture1, Image1, Label3, Label4);
    auto *strip = new QHBoxLayout(Picture1);
    strip->setContentsMargins(6, 4, 6, 4);
    strip->addWidget(Image1);
    strip->addSpacing(16);
    auto *links = new QVBoxLayout;
    links->addStretch();
    links->addWidget(Label3);
    links->addWidget(Label4);
    links->addStretch();
    strip->addLayout(links);
    strip->addStretch();

    workspace_ = new QMdiArea(central);
    workspace_->setObjectName(QStringLiteral("workspace"));
    workspace_->setBackground(palette().brush(QPalette::Dark));
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Picture1);
    layout->addWidget(workspace_, 1);
    setCentralWidget(central);
    resize(960, 640);
}

// The job windows are loaded afresh at every opening, modal over the frame,
// and unloaded when they close.
void MDIForm1::openCrawlLogWindow()
{
    Form1 window(this);
    connect(&window, &Form1::overviewRequested, this, &MDIForm1::openOverview);
    window.exec();
}

void MDIForm1::openIndexingWindow()
{
    Form3 window(this);
    window.exec();
}

// The overview is a child of the workspace, one at a time: choosing it again
// brings it to the front.
void MDIForm1::openOverview(const QString &folder, bool recursive)
{
    OverviewWindow *overview = nullptr;
    for (QMdiSubWindow *frame : workspace_->subWindowList())
        if ((overview = qobject_cast<OverviewWindow *>(frame->widget()))) {
            workspace_->setActiveSubWindow(frame);
            break;
        }
    if (!overview) {
        overview = new OverviewWindow;
        QMdiSubWindow *frame = workspace_->addSubWindow(overview);
        frame->setAttribute(Qt::WA_DeleteOnClose);
        frame->show();
    }
    if (!folder.isEmpty())
        overview->setFolder(folder, recursive);
}

// Like the overview: one child of the workspace, brought to the front when
// chosen again.
void MDIForm1::openKeywordRanking()
{
    for (QMdiSubWindow *frame : workspace_->subWindowList())
        if (qobject_cast<KeywordRankWindow *>(frame->widget())) {
            workspace_->setActiveSubWindow(frame);
            return;
        }
    QMdiSubWindow *frame = workspace_->addSubWindow(new KeywordRankWindow);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->show();
}

void MDIForm1::showAbout()
{
    const QString text = QStringLiteral("<h3>%1 (%2) %3</h3>"
                                        "<p>%4</p>"
                                        "<p>许可证：%5（GNU 通用公共许可证第 3 版或更新的版本）。"
                                        "本程序是自由软件，不提供任何担保。</p>"
                                        "<p>Qt 版本：%6</p>")
                             .arg(AppIdentity::title(), AppIdentity::internalName(), AppIdentity::versionText(),
                                  AppIdentity::company(), AppIdentity::licence(), QString::fromLatin1(qVersion()));
    QMessageBox::about(this, QStringLiteral("关于") + AppIdentity::title(), text);
}
