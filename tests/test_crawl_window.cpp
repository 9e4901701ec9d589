#include "crawl_log/ui/form1.h"
#include "logs/log_input.h"
#include "support/crawl_fixtures.h"
#include "support/gui_helpers.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

const QString kExample = QStringLiteral(TRAWLEX_TEST_DATA "/worked_example");
const QByteArray kBaidu = "Baiduspider";

QString resultText(Form1 &form) { return control<QPlainTextEdit>(&form, "Text2")->toPlainText(); }

QString expectedReport()
{
    QFile file(kExample + QStringLiteral("/expected.txt"));
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

void writeLogs(const QTemporaryDir &dir, int count)
{
    for (int i = 1; i <= count; ++i)
        WriteFile(dir.filePath(QStringLiteral("ex%1.log").arg(i, 2, 10, QLatin1Char('0'))),
                  LogHeader() + LogLine("/p" + QByteArray::number(i), kBaidu));
}

}  // namespace

class TestCrawlWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { QSettings(QStringLiteral("蛛迹通"), QStringLiteral("蛛迹通")).clear(); }

    void controlsAsDesigned()
    {
        Form1 form;
        QCOMPARE(form.windowTitle(), QStringLiteral("蛛迹通－澜岫软件"));
        QCOMPARE(control<QLabel>(&form, "Label5")->text(), QString::number(CollectLogInputs({QDir::currentPath()}, false).inputs.size()));
        QCOMPARE(control<QLineEdit>(&form, "Text1")->text(), QDir::currentPath());
        QCOMPARE(control<QLineEdit>(&form, "Text3")->text(), QStringLiteral("spider"));
        QCOMPARE(control<QLabel>(&form, "Label7")->text(), QStringLiteral("蛛迹通"));
        auto *frame = control<QGroupBox>(&form, "Frame1");
        QCOMPARE(frame->title(), QStringLiteral("搜索情况分析"));
        QCOMPARE(control<QPushButton>(frame, "Command2")->text(), QStringLiteral("分析【百度】"));
        QCOMPARE(control<QPushButton>(frame, "Command15")->text(), QStringLiteral("分析【腾讯SOSO】"));
        QCOMPARE(frame->findChildren<QPushButton *>().size(), 13);
        QCOMPARE(control<QPushButton>(&form, "Command19")->parentWidget(), &form);  // outside the frame
        for (const char *name : {"Command1", "Command4", "Command5", "Command17", "Command18", "File1", "List1",
                                 "Pb1", "Label6", "Label8", "Label3", "Label4", "Image1"})
            QVERIFY2(form.findChild<QWidget *>(QString::fromLatin1(name)), name);
    }

    void runsShowTheCommandLineReport()
    {
        Form1 form;
        control<QLineEdit>(&form, "Text1")->setText(kExample);
        QCOMPARE(control<QLabel>(&form, "Label5")->text(), QStringLiteral("2"));
        control<QPushButton>(&form, "Command2")->click();
        QCOMPARE(resultText(form), expectedReport());
        control<QPushButton>(&form, "Command2")->click();  // a second run appends its report
        QCOMPARE(resultText(form), expectedReport() + expectedReport());
        auto *totals = control<QListWidget>(&form, "List1");
        QCOMPARE(totals->count(), 2);
        QCOMPARE(totals->currentRow(), 1);
        QCOMPARE(totals->item(1)->text(), QStringLiteral("百度搜索总有效页面数：3"));
        // Requests beside the distinct pages the report lines count.
        QCOMPARE(control<QLabel>(&form, "Label9")->text(), QStringLiteral("百度：2 个文件，请求共 4 次，不同的页面 3 个"));
        QVERIFY(control<QGroupBox>(&form, "Frame1")->isEnabled());
        QCOMPARE(control<QProgressBar>(&form, "Pb1")->value(), 0);
        QCOMPARE(control<QProgressBar>(&form, "Pb1")->maximum(), 3);
    }

    void customTokenRule()
    {
        Form1 form;
        control<QLineEdit>(&form, "Text1")->setText(kExample);
        control<QLineEdit>(&form, "Text3")->setText(QStringLiteral(" Slur "));
        WhenModalShows([](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            QCOMPARE(box->text(), QStringLiteral("蜘蛛种类错误！"));
            QCOMPARE(box->icon(), QMessageBox::Critical);
            QCOMPARE(box->windowTitle(), QStringLiteral("蛛迹通"));
            box->buttons().front()->click();
        });
        control<QPushButton>(&form, "Command16")->click();
        QCOMPARE(resultText(form), QString());
        control<QLineEdit>(&form, "Text3")->setText(QStringLiteral(" spider "));
        control<QPushButton>(&form, "Command16")->click();
        QVERIFY(resultText(form).startsWith(QStringLiteral("spider对您的网站搜索情况分析结果：")));
    }

    void stopDuringTheSecondOfFiveFiles()
    {
        QTemporaryDir dir;
        writeLogs(dir, 5);
        Form1 form;
        control<QLineEdit>(&form, "Text1")->setText(dir.path());
        auto *progress = control<QProgressBar>(&form, "Pb1");
        auto *stop = control<QPushButton>(&form, "Command19");
        // The click waits in the event queue and is handled at the yield after the second file.
        connect(progress, &QProgressBar::valueChanged, stop, [stop](int value) {
            if (value == 1)
                QTimer::singleShot(0, stop, &QPushButton::click);
        });
        control<QPushButton>(&form, "Command2")->click();
        QCOMPARE(resultText(form).split(u'\n'),
                 (QStringList{"百度对您的网站搜索情况分析结果：", "ex01.log - 搜索页面数：1 - 有效页面数：1",
                              "ex02.log - 搜索页面数：1 - 有效页面数：1", "全部有效页面数：2", "分析已停止。", ""}));
        QCOMPARE(control<QListWidget>(&form, "List1")->currentItem()->text(),
                 QStringLiteral("百度搜索总有效页面数：2（未完成）"));
        QVERIFY(control<QLabel>(&form, "Label9")->text().endsWith(QStringLiteral("（未完成）")));
    }

    void screenshots()
    {
        if (qEnvironmentVariableIsEmpty("TRAWLEX_SCREENSHOTS"))
            QSKIP("set TRAWLEX_SCREENSHOTS to a folder to take the README's screenshots");
        Form1 form;
        control<QLineEdit>(&form, "Text1")->setText(QDir::cleanPath(QStringLiteral(TRAWLEX_TEST_DATA "/../../examples/logs")));
        control<QPushButton>(&form, "Command2")->click();
        control<QPushButton>(&form, "Command3")->click();
        SaveScreenshot(&form, "crawl-log-window");
        WhenModalShows([](QWidget *modal) {
            SaveScreenshot(modal, "crawled-pages-window");
            modal->close();
        });
        control<QPushButton>(&form, "Command18")->click();
    }

    void crawledPagesBeforeAndDuringARun()
    {
        Form1 form;
        WhenModalShows([](QWidget *modal) {
            QCOMPARE(modal->windowTitle(), QStringLiteral("搜索过的页面"));
            QCOMPARE(control<QPlainTextEdit>(modal, "Text1")->toPlainText(), QString());
            modal->close();
        });
        control<QPushButton>(&form, "Command18")->click();

        control<QLineEdit>(&form, "Text1")->setText(kExample);
        auto *progress = control<QProgressBar>(&form, "Pb1");
        auto *details = control<QPushButton>(&form, "Command18");
        QString shown;
        connect(progress, &QProgressBar::valueChanged, details, [&](int value) {
            if (value != 1)
                return;
            WhenModalShows([&](QWidget *modal) {
                shown = modal->windowTitle() + u'|' + control<QPlainTextEdit>(modal, "Text1")->toPlainText();
                modal->close();
            });
            QTimer::singleShot(0, details, &QPushButton::click);
        });
        control<QPushButton>(&form, "Command2")->click();
        // Shown at the yield after the second file, with the pages found so far.
        QCOMPARE(shown, QStringLiteral("百度搜索过的页面|\n/a.htm\n/b.htm\n/c.htm\n"));
        QVERIFY(resultText(form).endsWith(QStringLiteral("分析完成。\n")));
    }

    void clearThenCopy()
    {
        Form1 form;
        control<QLineEdit>(&form, "Text1")->setText(kExample);
        control<QPushButton>(&form, "Command2")->click();
        control<QPushButton>(&form, "Command5")->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), expectedReport());
        control<QPushButton>(&form, "Command4")->click();
        QCOMPARE(resultText(form), QString());
        QCOMPARE(control<QListWidget>(&form, "List1")->count(), 1);
        control<QPushButton>(&form, "Command5")->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), QString());
        QCOMPARE(form.runWidePages().pages(), (QStringList{"", "/a.htm", "/b.htm", "/c.htm"}));
    }

    void folderFollowsTypingWhenItPauses()
    {
        QTemporaryDir dir;
        WriteFile(dir.filePath("a.log"), "x");
        WriteFile(dir.filePath("logs/b.log"), "x");
        WriteFile(dir.filePath("logs/c.LOG"), "x");
        WriteFile(dir.filePath("empty/z.txt"), "x");
        Form1 form;
        form.show();
        auto *folder = control<QLineEdit>(&form, "Text1");
        auto *count = control<QLabel>(&form, "Label5");
        folder->setText(dir.filePath("empty"));
        folder->clear();
        QStringList counts;
        const QString typed = dir.path() + QStringLiteral("/logs");
        for (QChar c : typed) {
            QTest::keyClick(folder, c.toLatin1());
            counts.append(count->text());
        }
        // Not at the prefix that names the folder with a.log: only once typing pauses.
        QCOMPARE(counts, QStringList(counts.size(), QStringLiteral("0")));
        QTRY_COMPARE(count->text(), QStringLiteral("2"));
        folder->end(false);
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(folder, Qt::Key_Backspace);
        QTest::keyClick(folder, Qt::Key_Return);  // Enter: at once, and nothing else
        QCOMPARE(count->text(), QStringLiteral("1"));
        QCOMPARE(resultText(form), QString());
    }

    void sameFolderAsTheFileSystemSeesIt_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("count");
        // The list is at Logs (one file, one more added since); a move re-reads it.
        QTest::newRow("other letter case: another folder") << "/logs" << "3";
        QTest::newRow("spaces and a trailing slash") << "/Logs/ " << "1";
        QTest::newRow("through ..") << "/logs/../Logs" << "1";
    }
    void sameFolderAsTheFileSystemSeesIt()
    {
        QFETCH(QString, typed);
        QFETCH(QString, count);
        QTemporaryDir dir;
        WriteFile(dir.filePath("Logs/a.log"), "x");
        for (const char *name : {"logs/a.log", "logs/b.log", "logs/c.log"})
            WriteFile(dir.filePath(name), "x");
        Form1 form;
        auto *folder = control<QLineEdit>(&form, "Text1");
        folder->setText(dir.filePath("Logs"));
        WriteFile(dir.filePath("Logs/new.log"), "x");
        folder->setText(u' ' + dir.path() + typed);
        QCOMPARE(control<QLabel>(&form, "Label5")->text(), count);
    }

    void leavingTheBoxWithAMissingFolder()
    {
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        auto *folder = control<QLineEdit>(&form, "Text1");
        folder->setText(kExample);
        folder->setFocus(Qt::OtherFocusReason);
        folder->setText(QStringLiteral("/no/such/folder"));
        QString captions;
        WhenModalShows([&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            captions = box->text() + u'|' + ButtonCaptions(box).join(u',') + u'|' + box->windowTitle();
            QTest::keyClick(box, Qt::Key_O, Qt::AltModifier);
        });
        control<QLineEdit>(&form, "Text3")->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(captions, QStringLiteral("该目录不存在！|确定[&O]|蛛迹通"));
        QCOMPARE(QDir::fromNativeSeparators(folder->text()), kExample);
    }

    void driveRootLikeFolder()
    {
        Form1 form;
        control<QLineEdit>(&form, "Text1")->setText(QStringLiteral("/"));
        control<QPushButton>(&form, "Command12")->click();
        QVERIFY(resultText(form).startsWith(QStringLiteral("alexa对您的网站搜索情况分析结果：")));
        QVERIFY(resultText(form).endsWith(QStringLiteral("分析完成。\n")));
    }

    void folderIsSavedAndPagesGoOnClose()
    {
        {
            Form1 form;
            control<QLineEdit>(&form, "Text1")->setText(u' ' + kExample);
            control<QPushButton>(&form, "Command2")->click();
            QVERIFY(form.close());
            QCOMPARE(form.runWidePages().size(), 0);
        }
        Form1 reopened;
        QCOMPARE(control<QLineEdit>(&reopened, "Text1")->text(), u' ' + kExample);
        QCOMPARE(control<QLabel>(&reopened, "Label5")->text(), QStringLiteral("2"));
    }

    void subFoldersTickIsRemembered()
    {
        QTemporaryDir dir;
        WriteFile(dir.filePath("z.log"), LogHeader() + LogLine("/z", kBaidu));
        WriteFile(dir.filePath("W3SVC10/u_ex1.log"), LogHeader() + LogLine("/ten", kBaidu));
        WriteFile(dir.filePath("W3SVC2/u_ex1.log"), LogHeader() + LogLine("/two", kBaidu));
        {
            Form1 form;
            auto *tick = control<QCheckBox>(&form, "Check1");
            QCOMPARE(tick->text(), QStringLiteral("包含子目录"));
            QVERIFY(!tick->isChecked());
            control<QLineEdit>(&form, "Text1")->setText(dir.path());
            QCOMPARE(control<QLabel>(&form, "Label5")->text(), QStringLiteral("1"));
            tick->setChecked(true);
            QCOMPARE(control<QLabel>(&form, "Label5")->text(), QStringLiteral("3"));
            control<QPushButton>(&form, "Command2")->click();
            QCOMPARE(resultText(form).split(u'\n').mid(1, 3),
                     (QStringList{"W3SVC2/u_ex1.log - 搜索页面数：1 - 有效页面数：1",
                                  "W3SVC10/u_ex1.log - 搜索页面数：1 - 有效页面数：1", "z.log - 搜索页面数：1 - 有效页面数：1"}));
            QVERIFY(form.close());
        }
        Form1 reopened;
        QVERIFY(control<QCheckBox>(&reopened, "Check1")->isChecked());
        QCOMPARE(control<QListWidget>(&reopened, "File1")->count(), 3);
    }

    void closeDuringARun()
    {
        QTemporaryDir dir;
        writeLogs(dir, 20);
        auto *form = new Form1;
        QPointer<Form1> alive(form);
        control<QLineEdit>(form, "Text1")->setText(dir.path());
        form->show();
        connect(control<QProgressBar>(form, "Pb1"), &QProgressBar::valueChanged, form, [form](int value) {
            if (value == 1)
                QTimer::singleShot(0, form, &QWidget::close);  // the close box, clicked during the run
        });
        control<QPushButton>(form, "Command2")->click();
        QVERIFY(!form->isVisible());
        QVERIFY(!form->running());
        QCOMPARE(resultText(*form).split(u'\n').size(), 6);  // header, two files, totals, end
        delete form;
        QVERIFY(alive.isNull());
    }
};

QTEST_MAIN(TestCrawlWindow)
#include "test_crawl_window.moc"
