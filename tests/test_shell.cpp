#include "common/app_identity.h"
#include "crawl_log/ui/form1.h"
#include "overview/ui/overview_window.h"
#include "shell/main_window.h"
#include "support/crawl_fixtures.h"
#include "support/gui_helpers.h"
#include "ui_common/qt_translations.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QSettings>
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
        QSettings(QStringLiteral("蛛迹通"), QStringLiteral("蛛迹通")).clear();
        QVERIFY(InstallQtChineseTranslations());  // as the program does at start
    }

    void captionFromTheIdentity()
    {
        MDIForm1 frame;
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
        QCOMPARE(captions, (QStringList{"服务器日志分析(&L)", "实际收录分析(&C)", "蜘蛛概览(&O)", "关键词排行分析(&K)", "窗口(&W)",
                                        "帮助(&H)", "退出(&E)"}));
        QCOMPARE(names, (QStringList{"menu服务器日志分析", "menu实际收录分析", "menu蜘蛛概览", "menu关键词排行分析", "menu窗口",
                                     "menu帮助", "menu退出"}));
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

    void keywordRankingIsAnnounced()
    {
        MDIForm1 frame;
        QString seen;
        WhenModalShows([&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            seen = box->text() + u'|' + box->windowTitle() + u'|' + QString::number(box->icon());
            QVERIFY(!ButtonCaptions(box).contains(QStringLiteral("确定[&O]")));  // the system's own caption
            box->buttons().front()->click();
        });
        menuAction(frame, "menu关键词排行分析")->trigger();
        QCOMPARE(seen, QStringLiteral("制作中，下一版本具备此功能！|蛛迹通|%1").arg(int(QMessageBox::Information)));
    }

    void jobWindowsAreChildrenOfTheWorkspace()
    {
        MDIForm1 frame;
        frame.show();
        auto *workspace = control<QMdiArea>(&frame, "workspace");
        // Each opens once, beside the others, and the menu stays usable.
        for (const char *menu : {"menu服务器日志分析", "menu实际收录分析", "menu服务器日志分析", "menu蜘蛛概览"})
            menuAction(frame, menu)->trigger();
        QCOMPARE(workspace->subWindowList().size(), 3);
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(qobject_cast<Form1 *>(workspace->subWindowList().front()->widget()));
        QVERIFY(!workspace->subWindowList().front()->widget()->isModal());

        // The 窗口 menu lists them, the active one ticked.
        QMenu *windows = menuAction(frame, "menu窗口")->menu();
        emit windows->aboutToShow();
        QStringList listed;
        for (QAction *action : windows->actions())
            if (action->isCheckable())
                listed.append(action->text() + (action->isChecked() ? QStringLiteral(" *") : QString()));
        QCOMPARE(listed, (QStringList{"&1 蛛迹通－澜岫软件", "&2 各种搜索引擎实际收录网站的情况－澜岫软件", "&3 蜘蛛概览 *"}));

        // Escape in a job window closes its frame, not just the window inside.
        QTest::keyClick(workspace->subWindowList().front()->widget(), Qt::Key_Escape);
        QTRY_COMPARE(workspace->subWindowList().size(), 2);
    }

    void frameRemembersItsPlace()
    {
        {
            MDIForm1 frame;
            frame.setGeometry(40, 50, 900, 700);
            frame.show();
            frame.close();
        }
        MDIForm1 frame;
        QCOMPARE(frame.size(), QSize(900, 700));
    }

    void overviewIsOneChildOfTheWorkspace()
    {
        MDIForm1 frame;
        frame.show();
        auto *workspace = control<QMdiArea>(&frame, "workspace");
        menuAction(frame, "menu蜘蛛概览")->trigger();
        menuAction(frame, "menu蜘蛛概览")->trigger();
        QCOMPARE(workspace->subWindowList().size(), 1);
        QVERIFY(qobject_cast<OverviewWindow *>(workspace->subWindowList().front()->widget()));

        // 全部蜘蛛概览 in the crawl-log window keeps it open and starts the overview of its folder.
        QTemporaryDir logs;
        menuAction(frame, "menu服务器日志分析")->trigger();
        QMdiSubWindow *crawlLog = workspace->activeSubWindow();
        control<QLineEdit>(crawlLog, "Text1")->setText(logs.path());
        control<QCheckBox>(crawlLog, "Check1")->setChecked(true);
        control<QPushButton>(crawlLog, "Command20")->click();
        QCOMPARE(workspace->subWindowList().size(), 2);
        QMdiSubWindow *overview = workspace->activeSubWindow();
        QCOMPARE(control<QLineEdit>(overview, "folderEdit")->text(), logs.path());
        QVERIFY(control<QCheckBox>(overview, "recursiveCheck")->isChecked());
        QTRY_VERIFY(control<QPushButton>(overview, "startButton")->isEnabled());  // the run has been and gone
        QVERIFY(control<QLabel>(overview, "problemsLabel")->text().startsWith(QStringLiteral("没有找到日志文件")));

        // Closed during a run, the child goes once the run has stopped; the frame after its children.
        WriteFile(logs.filePath(QStringLiteral("access.log")), QByteArray("1.2.3.4 - - [01/Jan/2015:10:00:00 +0800] \"GET / HTTP/1.1\" 200 5 \"-\" \"Baiduspider\"\n").repeated(200000));
        control<QPushButton>(overview, "startButton")->click();
        QVERIFY(!overview->close());
        QTRY_COMPARE(workspace->subWindowList().size(), 1);
        frame.close();
        QVERIFY(!frame.isVisible());
    }

    void exitClosesTheFrame()
    {
        MDIForm1 frame;
        frame.show();
        menuAction(frame, "menu退出")->trigger();
        QVERIFY(!frame.isVisible());
    }

    void screenshots()
    {
        if (qEnvironmentVariableIsEmpty("TRAWLEX_SCREENSHOTS"))
            QSKIP("set TRAWLEX_SCREENSHOTS to a folder to take the README's screenshots");
        // What a new user sees after a first try with the example logs.
        MDIForm1 frame;
        frame.resize(1400, 900);
        frame.show();
        auto *workspace = control<QMdiArea>(&frame, "workspace");
        menuAction(frame, "menu服务器日志分析")->trigger();
        QMdiSubWindow *crawlLog = workspace->activeSubWindow();
        control<QLineEdit>(crawlLog, "Text1")->setText(QDir::cleanPath(QStringLiteral(TRAWLEX_TEST_DATA "/../../examples/logs")));
        control<QPushButton>(crawlLog, "Command2")->click();
        control<QPushButton>(crawlLog, "Command20")->click();
        QMdiSubWindow *overview = workspace->activeSubWindow();
        QTRY_VERIFY_WITH_TIMEOUT(control<QPushButton>(overview, "startButton")->isEnabled(), 20000);
        crawlLog->move(0, 0);
        overview->setGeometry(260, 0, workspace->viewport()->width() - 260, workspace->viewport()->height());
        SaveScreenshot(&frame, "main-window");
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
