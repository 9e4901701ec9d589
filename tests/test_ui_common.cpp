#include "support/gui_helpers.h"
#include "ui_common/export_prompts.h"
#include "ui_common/folder_browser.h"
#include "ui_common/localized_message_box.h"
#include "ui_common/maker_links.h"
#include "ui_common/qt_translations.h"

#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QLabel>
#include <QPushButton>

namespace {

unsigned textColour(QLabel *label) { return label->palette().color(QPalette::WindowText).rgb() & 0xFFFFFF; }

}  // namespace

class TestUiCommon : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(InstallQtChineseTranslations()); }

    void qtSpeaksChinese_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("caption");
        QTest::newRow("OK") << int(QMessageBox::Ok) << "确定";
        QTest::newRow("Cancel") << int(QMessageBox::Cancel) << "取消";
        QTest::newRow("Yes") << int(QMessageBox::Yes) << "是(&Y)";
    }
    void qtSpeaksChinese()
    {
        QFETCH(int, button);
        QFETCH(QString, caption);
        QMessageBox box;
        QCOMPARE(box.addButton(QMessageBox::StandardButton(button))->text(), caption);
    }

    void messageBoxStyles_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QString>("press");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("icon");
        QTest::newRow("16: stop, OK") << 16 << QStringList{"确定[&O]"} << "确定[&O]" << 1 << int(QMessageBox::Critical);
        QTest::newRow("1: OK, Cancel") << 1 << QStringList{"取消[&C]", "确定[&O]"} << "取消[&C]" << 2
                                       << int(QMessageBox::NoIcon);
        QTest::newRow("2: abort, retry, ignore") << 2 + 48 << QStringList{"忽略[&I]", "放弃[&A]", "重试[&R]"}
                                                 << "重试[&R]" << 4 << int(QMessageBox::Warning);
        QTest::newRow("3: yes, no, cancel") << 3 + 32 << QStringList{"取消[&C]", "否[&N]", "是[&Y]"} << "否[&N]" << 7
                                            << int(QMessageBox::Question);
        QTest::newRow("4: yes, no") << 4 + 64 << QStringList{"否[&N]", "是[&Y]"} << "是[&Y]" << 6
                                    << int(QMessageBox::Information);
        QTest::newRow("5: retry, cancel") << 5 << QStringList{"取消[&C]", "重试[&R]"} << "重试[&R]" << 4
                                          << int(QMessageBox::NoIcon);
        QTest::newRow("2 with the third default") << 2 + 512 << QStringList{"忽略[&I]", "放弃[&A]", "重试[&R]"}
                                                  << "" << 5 << int(QMessageBox::NoIcon);
    }
    void messageBoxStyles()
    {
        QFETCH(int, style);
        QFETCH(QStringList, captions);
        QFETCH(QString, press);
        QFETCH(int, result);
        QFETCH(int, icon);
        WhenModalShows([&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            QVERIFY(box);
            QCOMPARE(ButtonCaptions(box), captions);
            QCOMPARE(int(box->icon()), icon);
            QCOMPARE(box->windowTitle(), QStringLiteral("蛛迹通"));
            for (QAbstractButton *button : box->buttons())
                if (button->text() == press)
                    button->click();
            if (press.isEmpty())  // Enter presses the default button
                QTest::keyClick(box, Qt::Key_Return);
        });
        QCOMPARE(LocalizedMessageBox(QStringLiteral("该目录不存在！"), nullptr, style, QString()), result);
    }

    void altOClosesTheBox()
    {
        WhenModalShows([](QWidget *modal) {
            QCOMPARE(modal->windowTitle(), QStringLiteral("另一个标题"));
            QTest::keyClick(modal, Qt::Key_O, Qt::AltModifier);
        });
        QCOMPARE(LocalizedMessageBox(QStringLiteral("x"), nullptr, 16, QStringLiteral("另一个标题")), 1);
        // Later plain boxes keep the system's captions.
        WhenModalShows([](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            QVERIFY(!ButtonCaptions(box).contains(QStringLiteral("确定[&O]")));
            box->buttons().front()->click();
        });
        QMessageBox::information(nullptr, QStringLiteral("蛛迹通"), QStringLiteral("plain"));
    }

    void chooseFolder()
    {
        WhenModalShows([](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            QVERIFY(dialog);
            QCOMPARE(dialog->fileMode(), QFileDialog::Directory);
            QVERIFY(dialog->windowTitle().contains(QStringLiteral("请选择一个目录.")));
            if (!qEnvironmentVariableIsEmpty("TRAWLEX_SCREENSHOTS")) {
                dialog->setDirectory(QStringLiteral("/usr"));
                SaveScreenshot(dialog, "folder-dialog");
            }
            dialog->reject();
        });
        QCOMPARE(ChooseFolder(nullptr, QStringLiteral("请选择一个目录.")), QString());
        WhenModalShows([](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            dialog->setDirectory(QStringLiteral("/"));
            dialog->selectFile(QStringLiteral("/"));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QCOMPARE(ChooseFolder(nullptr, QStringLiteral("请选择一个目录.")), QStringLiteral("/"));

        // It opens where it is told to.
        QTemporaryDir start;
        QString opened;
        WhenModalShows([&](QWidget *modal) {
            opened = qobject_cast<QFileDialog *>(modal)->directory().absolutePath();
            modal->close();
        });
        QCOMPARE(ChooseFolder(nullptr, QStringLiteral("请选择一个目录."), start.path()), QString());
        QCOMPARE(opened, start.path());
    }

    void replacingAsksFirst()
    {
        QTemporaryDir folder;
        QVERIFY(ConfirmReplace(nullptr, folder.path(), {"agents.csv"}));  // nothing there: no question
        QFile(folder.filePath(QStringLiteral("agents.csv"))).open(QIODevice::WriteOnly);
        for (const auto &[button, goesOn] : {std::pair{"否[&N]", false}, std::pair{"是[&Y]", true}}) {
            QString asked;
            WhenModalShows([&, button = button](QWidget *modal) {
                auto *box = qobject_cast<QMessageBox *>(modal);
                asked = box->text();
                for (QAbstractButton *choice : box->buttons())
                    if (choice->text() == QString::fromUtf8(button))
                        choice->click();
            });
            QCOMPARE(ConfirmReplace(nullptr, folder.path(), {"agents.csv", "days.csv"}), goesOn);
            QCOMPARE(asked, QStringLiteral("%1 中已有 agents.csv，要替换吗？").arg(QDir::toNativeSeparators(folder.path())));
        }
    }

    void makerLinksHighlightResetAndOpen()
    {
        QWidget window;
        window.setObjectName(QStringLiteral("background"));
        QLabel *image = MakerLinks::makeImage(&window);
        QLabel *free = MakerLinks::makeLabel(&window, "Label3", QStringLiteral("澜岫提供更多好的免费软件"));
        QLabel *custom = MakerLinks::makeLabel(&window, "Label4", QStringLiteral("澜岫为您定制各种专业软件"));
        new MakerLinks(&window, image, free, custom);
        QCOMPARE(textColour(free), LinkColour::Design);
        QCOMPARE(image->toolTip(), QStringLiteral("点击访问澜岫软件网站..."));
        QCOMPARE(free->toolTip(), QStringLiteral("点击打开详细内容..."));
        QCOMPARE(free->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(image->size(), QSize(362, 92));

        MoveMouseOver(free);
        QCOMPARE(textColour(free), LinkColour::Highlight);
        QCOMPARE(textColour(custom), LinkColour::Design);
        MoveMouseOver(image);
        QCOMPARE(image->frameShape(), QFrame::Box);
        MoveMouseOver(&window);
        QCOMPARE(textColour(free), LinkColour::Reset);
        QCOMPARE(textColour(custom), LinkColour::Reset);
        QCOMPARE(image->frameShape(), QFrame::NoFrame);

        BrowserSpy browser;
        QTest::mouseClick(custom, Qt::LeftButton);
        QTest::mouseClick(image, Qt::LeftButton);
        QCOMPARE(browser.opened, (QList<QUrl>{MakerLinks::customSoftwarePage(), MakerLinks::homePage()}));
    }
};

QTEST_MAIN(TestUiCommon)
#include "test_ui_common.moc"
