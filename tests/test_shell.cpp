#include "common/app_identity.h"
#include "overview/ui/overview_window.h"
#include "ranking/ui/keyword_rank_window.h"
#include "shell/main_window.h"
#include "support/gui_helpers.h"
#include "ui_common/qt_translations.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

QAction *menuAction(MDIForm1 &frame, const QString &name)
{
    for (QAction *action : frame.menuBar()->actions())
        if (action->objectName() == name)
            return action;
    return nullptr;
}

}  // namespace

class TestShell : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(InstallQtChineseTranslations());  // as the program does at start
    }

    void captionFromTheIdentity()
    {
        MDIForm1 frame;
        SaveScreenshot(&frame, "main-window");
        QCOMPARE(frame.windowTitle(), QStringLiteral("蛛迹通 V1.6.1025 -澜岫软件"));
        QCOMPARE(AppIdentity::resourceVersionText(), QStringLiteral("1.06.1025"));
    }

    void menusInOrder()
    {
        MDIForm1 frame;
        QStringList captions;
        QStringList names;
        for (QAction *action : frame.menuBar()->actions()) {
            captions.append(action->text());
            names.append(action->objectName());
        }
        QCOMPARE(captions, (QStringList{"服务器日志分析(&L)", "实际收录分析(&C)", "蜘蛛概览(&O)", "关键词排行分析(&K)", "帮助(&H)",
                                        "退出(&E)"}));
        QCOMPARE(names, (QStringList{"menu服务器日志分析", "menu实际收录分析", "menu蜘蛛概览", "menu关键词排行分析", "menu帮助",
                                     "menu退出"}));
        QMenu *help = menuAction(frame, "menu帮助")->menu();
        QCOMPARE(help->actions().size(), 1);
        QCOMPARE(help->actions().front()->text(), QStringLiteral("关于"));
    }

    void aboutBox()
    {
        MDIForm1 frame;
        QString seen;
        WhenModalShows([&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            SaveScreenshot(box, "about-box");
            seen = box->windowTitle() + u'|' + box->text() + u'|' + ButtonCaptions(box).join(u',');
            box->buttons().front()->click();
        });
        menuAction(frame, "menu帮助")->menu()->actions().front()->trigger();
        for (const QString &part : {QStringLiteral("关于蛛迹通|"), QStringLiteral("1.6.1025"),
                                    QStringLiteral("GPL-3.0-or-later"), QString::fromLatin1(qVersion()),
                                    QStringLiteral("|确定")})
            QVERIFY2(seen.contains(part), qPrintable(seen));
    }

    // Once announced as coming ("制作中"), the entry now opens its window, one
    // child of the workspace.
    void keywordRankingIsOneChildOfTheWorkspace()
    {
        MDIForm1 frame;
        auto *workspace = control<QMdiArea>(&frame, "workspace");
        menuAction(frame, "menu关键词排行分析")->trigger();
        menuAction(frame, "menu关键词排行分析")->trigger();
        QCOMPARE(workspace->subWindowList().size(), 1);
        QVERIFY(qobject_cast<KeywordRankWindow *>(workspace->subWindowList().front()->widget()));
        QVERIFY(!QApplication::activeModalWidget());
    }

    void crawlLogWindowOpensModallyAndAfresh()
    {
        MDIForm1 frame;
        for (int opening = 0; opening < 2; ++opening) {
            QString title;
            WhenModalShows([&](QWidget *modal) {
                title = modal->windowTitle() + (modal->isModal() ? QStringLiteral(" modal") : QString());
                modal->close();
            });
            menuAction(frame, "menu服务器日志分析")->trigger();
            QCOMPARE(title, QStringLiteral("蛛迹通－澜岫软件 modal"));
        }
    }

    void overviewIsOneChildOfTheWorkspace()
    {
        MDIForm1 frame;
        auto *workspace = control<QMdiArea>(&frame, "workspace");
        menuAction(frame, "menu蜘蛛概览")->trigger();
        menuAction(frame, "menu蜘蛛概览")->trigger();
        QCOMPARE(workspace->subWindowList().size(), 1);
        QVERIFY(qobject_cast<OverviewWindow *>(workspace->subWindowList().front()->widget()));

        // 全部蜘蛛概览 in the crawl-log window closes it and shows its folder in the overview.
        QTemporaryDir logs;
        WhenModalShows([&](QWidget *modal) {
            control<QLineEdit>(modal, "Text1")->setText(logs.path());
            control<QCheckBox>(modal, "Check1")->setChecked(true);
            control<QPushButton>(modal, "Command20")->click();
        });
        menuAction(frame, "menu服务器日志分析")->trigger();
        QCOMPARE(workspace->subWindowList().size(), 1);
        QCOMPARE(control<QLineEdit>(workspace->subWindowList().front(), "folderEdit")->text(), logs.path());
        QVERIFY(control<QCheckBox>(workspace->subWindowList().front(), "recursiveCheck")->isChecked());

        // Closed during a run, the child goes once the run has stopped.
        QMdiSubWindow *child = workspace->subWindowList().front();
        control<QPushButton>(child, "startButton")->click();
        QVERIFY(!child->close());
        QTRY_VERIFY(workspace->subWindowList().isEmpty());
    }

    void exitClosesTheFrame()
    {
        MDIForm1 frame;
        frame.show();
        menuAction(frame, "menu退出")->trigger();
        QVERIFY(!frame.isVisible());
    }

    void secondStartEndsSilently()
    {
        QTemporaryDir runtime;
        QTemporaryDir otherUsersRuntime;
        auto start = [](QProcess &process, const QTemporaryDir &runtimeFolder) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeFolder.path());
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            process.setProcessEnvironment(environment);
            process.start(QStringLiteral(TRAWLEX_BIN "/trawlex"));
        };
        QProcess first;
        start(first, runtime);
        QVERIFY(first.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(runtime.filePath(QStringLiteral("trawlex.lock"))), 10000);
        QTest::qWait(100);  // the lock follows the file's creation at once
        QProcess second;
        start(second, runtime);
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(second.readAllStandardOutput(), QByteArray());
        QCOMPARE(first.state(), QProcess::Running);
        QProcess otherUser;
        start(otherUser, otherUsersRuntime);
        QVERIFY(!otherUser.waitForFinished(1500));  // another user's copy runs beside the first
        otherUser.kill();
        otherUser.waitForFinished();
        first.kill();  // a crash: the lock must not stay behind
        first.waitForFinished();
        QProcess third;
        start(third, runtime);
        QVERIFY(!third.waitForFinished(1500));  // it runs: the first start after a crash is the first
        third.kill();
        third.waitForFinished();
    }
};

QTEST_MAIN(TestShell)
#include "test_shell.moc"
