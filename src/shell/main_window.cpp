#include "shell/main_window.h"

#include "common/app_identity.h"
#include "common/app_settings.h"
#include "crawl_log/ui/form1.h"
#include "indexing/ui/form3.h"
#include "overview/ui/overview_window.h"
#include "ranking/ui/keyword_rank_window.h"
#include "ui_common/maker_links.h"

#include <QCloseEvent>
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
    windowMenu_ = bar->addMenu(QStringLiteral("窗口(&W)"));
    windowMenu_->setObjectName(QStringLiteral("menu窗口"));
    windowMenu_->menuAction()->setObjectName(QStringLiteral("menu窗口"));
    connect(windowMenu_, &QMenu::aboutToShow, this, &MDIForm1::listWindows);
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
    // A child wider than the frame scrolls; it does not stretch the frame.
    workspace_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    workspace_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Picture1);
    layout->addWidget(workspace_, 1);
    setCentralWidget(central);
    resize(1280, 860);
    restoreGeometry(OpenAppSettings().value(QStringLiteral("主窗口/位置")).toByteArray());
    listWindows();
}

void MDIForm1::listWindows()
{
    windowMenu_->clear();
    windowMenu_->addAction(QStringLiteral("层叠(&C)"), workspace_, &QMdiArea::cascadeSubWindows)->setObjectName(
        QStringLiteral("menu层叠"));
    windowMenu_->addAction(QStringLiteral("平铺(&T)"), workspace_, &QMdiArea::tileSubWindows)->setObjectName(
        QStringLiteral("menu平铺"));
    windowMenu_->addAction(QStringLiteral("全部关闭(&A)"), workspace_, &QMdiArea::closeAllSubWindows)->setObjectName(
        QStringLiteral("menu全部关闭"));
    const QList<QMdiSubWindow *> children = workspace_->subWindowList();
    if (!children.isEmpty())
        windowMenu_->addSeparator();
    for (qsizetype i = 0; i < children.size(); ++i) {
        QMdiSubWindow *child = children[i];
        QAction *show = windowMenu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(child->windowTitle()), this,
                                               [this, child] { workspace_->setActiveSubWindow(child); });
        show->setCheckable(true);
        show->setChecked(child == workspace_->activeSubWindow());
    }
}

template <typename T>
T *MDIForm1::raiseChild()
{
    for (QMdiSubWindow *frame : workspace_->subWindowList())
        if (auto *window = qobject_cast<T *>(frame->widget())) {
            if (frame->isMinimized())
                frame->showNormal();
            workspace_->setActiveSubWindow(frame);
            return window;
        }
    return nullptr;
}

// The frames are deleted with the workspace after this object has stopped
// being a main window: their last signal must not reach it. A closed frame
// still waiting for its deletion is no longer in the workspace's list but is
// still its child.
MDIForm1::~MDIForm1()
{
    for (QMdiSubWindow *frame : workspace_->findChildren<QMdiSubWindow *>())
        disconnect(frame, nullptr, this, nullptr);
}

// A job window as a child of the workspace, deleted when it closes.
QMdiSubWindow *MDIForm1::addChild(QWidget *window)
{
    QMdiSubWindow *frame = workspace_->addSubWindow(window);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    connect(frame, &QObject::destroyed, this, [this] {
        if (closeWhenChildrenGone_ && workspace_->subWindowList().isEmpty())
            close();
    });
    frame->show();
    return frame;
}

void MDIForm1::closeEvent(QCloseEvent *event)
{
    // The children save what they keep as they close; one whose run is still
    // ending closes once it has stopped, and the frame after it.
    workspace_->closeAllSubWindows();
    if (!workspace_->subWindowList().isEmpty()) {
        closeWhenChildrenGone_ = true;
        event->ignore();
        return;
    }
    OpenAppSettings().setValue(QStringLiteral("主窗口/位置"), saveGeometry());
    event->accept();
}

// Each job window is a child of the workspace, loaded at its first opening
// and unloaded when it closes; choosing it while open brings it to the front.
void MDIForm1::openCrawlLogWindow()
{
    if (raiseChild<Form1>())
        return;
    auto *window = new Form1;
    connect(window, &Form1::overviewRequested, this, &MDIForm1::openOverview);
    addChild(window);
}

void MDIForm1::openIndexingWindow()
{
    if (!raiseChild<Form3>())
        addChild(new Form3);
}

// With a folder (全部蜘蛛概览 of the crawl-log window), the overview of that
// folder starts at once.
void MDIForm1::openOverview(const QString &folder, bool recursive)
{
    OverviewWindow *overview = raiseChild<OverviewWindow>();
    if (!overview) {
        overview = new OverviewWindow;
        addChild(overview);
    }
    if (!folder.isEmpty())
        overview->startOverview(folder, recursive);
}

void MDIForm1::openKeywordRanking()
{
    if (!raiseChild<KeywordRankWindow>())
        addChild(new KeywordRankWindow);
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
