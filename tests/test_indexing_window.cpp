#include "common/cp936.h"
#include "indexing/indexing_run.h"
#include "indexing/site_file.h"
#include "indexing/ui/form3.h"
#include "support/crawl_fixtures.h"
#include "support/fake_web_services.h"
#include "support/gui_helpers.h"
#include "ui_common/balloon_tooltip.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QComboBox>
#include <QEventLoop>
#include <QProcess>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTextBlock>
#include <QToolTip>
#include <QTreeWidget>

namespace {

// Result pages without a network: each service finds its number.
class CannedPages final : public PageSource
{
public:
    FetchedPage download(const QString &url, bool) override
    {
        ++queries;
        if (url.contains(QLatin1String("/s?wd=")))
            return QStringLiteral("找到相关网页约98,700篇");
        if (url.contains(QLatin1String("/siteinfo/")))
            return QStringLiteral("traffic rank in other countries<span>>4,321</span>");
        if (url.contains(QLatin1String("/web?query=")))
            return QStringLiteral("搜狗评级:6/100&nbsp;");
        return {};
    }
    FetchedPage searchForm(PageRoute, const QUrl &, const QString &, const std::function<bool(const QString &)> &) override
    {
        ++queries;
        return QStringLiteral("约有 <b>123,456</b> 项符合");
    }
    int queries = 0;
};

QStringList rows(Form3 &form)
{
    QStringList result;
    auto *list = control<QTreeWidget>(&form, "Lv1");
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = list->topLevelItem(i);
        result.append(item->text(0) + u'|' + item->text(1) + u'|' + (item->checkState(0) == Qt::Checked ? u'1' : u'0'));
    }
    return result;
}

void addSite(Form3 &form, const QString &url, const QString &name)
{
    control<QLineEdit>(&form, "Text1")->setText(url);
    control<QLineEdit>(&form, "Text3")->setText(name);
    control<QPushButton>(&form, "Command6")->click();
}

void clickRow(Form3 &form, int row)
{
    auto *list = control<QTreeWidget>(&form, "Lv1");
    QTreeWidgetItem *item = list->topLevelItem(row);
    list->setCurrentItem(item);
    emit list->itemClicked(item, 1);
}

// The browser module, loaded on first use, needs this before the application.
const bool kSharedContexts = [] {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return true;
}();

}  // namespace

class TestIndexingWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        QSettings(QStringLiteral("蛛迹通"), QStringLiteral("蛛迹通")).clear();
        QFile::remove(SiteFilePath());
        QFile::remove(UserServiceFilePath());
    }

    void opensWithItsControls()
    {
        Form3 form;
        QCOMPARE(form.windowTitle(), QStringLiteral("各种搜索引擎实际收录网站的情况－澜岫软件"));
        QCOMPARE(control<QComboBox>(&form, "Combo1")->currentText(), QStringLiteral("10"));
        QCOMPARE(control<QPlainTextEdit>(&form, "Text2")->font().pointSize(), 10);
        QCOMPARE(control<QCheckBox>(&form, "Check10")->text(), QStringLiteral("alexa排名"));
        QCOMPARE(control<QCheckBox>(&form, "Check8")->text(), QStringLiteral("Sogou Rank(搜狗网页评级)"));
        auto *list = control<QTreeWidget>(&form, "Lv1");
        QCOMPARE(list->headerItem()->text(0), QStringLiteral("网址"));
        QCOMPARE(list->headerItem()->text(1), QStringLiteral("名称"));
        QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);
        QVERIFY(!control<QLineEdit>(&form, "Text4")->isVisibleTo(&form));
        QStringList menu;
        for (QAction *action : control<QMenu>(&form, "menuLV列表")->actions())
            menu.append(action->text());
        QCOMPARE(menu, (QStringList{"删除", "打开网址"}));
        for (const char *name : {"Label1", "Label2", "Label3", "Label4", "Label5", "Command1", "Command2", "Command3",
                                 "Command4", "Command5", "Command6", "Command7", "Command8", "Command9", "Frame1",
                                 "Pb1"})
            QVERIFY2(form.findChild<QWidget *>(QString::fromLatin1(name)), name);
    }

    void fontSizeIsAppliedAndRemembered()
    {
        {
            Form3 form;
            auto *sizes = control<QComboBox>(&form, "Combo1");
            QCOMPARE(sizes->count(), 8);
            sizes->setCurrentText(QStringLiteral("16"));
            emit sizes->activated(sizes->currentIndex());
            QCOMPARE(control<QPlainTextEdit>(&form, "Text2")->font().pointSize(), 16);
            QCOMPARE(control<QTreeWidget>(&form, "Lv1")->font().pointSize(), 16);
            form.close();
        }
        Form3 reopened;
        QCOMPARE(control<QComboBox>(&reopened, "Combo1")->currentText(), QStringLiteral("16"));
        QCOMPARE(control<QPlainTextEdit>(&reopened, "Text2")->font().pointSize(), 16);
    }

    void aStoredSizeNotOfferedIsAdded()
    {
        QSettings(QStringLiteral("蛛迹通"), QStringLiteral("蛛迹通")).setValue(QStringLiteral("设置/字号"), "13");
        Form3 form;
        auto *sizes = control<QComboBox>(&form, "Combo1");
        QCOMPARE(sizes->currentText(), QStringLiteral("13"));
        QCOMPARE(sizes->itemText(sizes->currentIndex() - 1), QStringLiteral("12"));
        QCOMPARE(control<QPlainTextEdit>(&form, "Text2")->font().pointSize(), 13);
    }

    void spaceTogglesWithoutEatingTheNextClick()
    {
        Form3 form;
        addSite(form, QStringLiteral("a.cn"), QString());
        addSite(form, QStringLiteral("b.cn"), QStringLiteral("乙"));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto *list = control<QTreeWidget>(&form, "Lv1");
        list->setFocus();
        list->setCurrentItem(list->topLevelItem(0));
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(rows(form).at(0), QStringLiteral("a.cn||1"));
        QCoreApplication::processEvents();
        const QRect second = list->visualItemRect(list->topLevelItem(1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(second.right() - 4, second.center().y()));
        QCOMPARE(control<QPushButton>(&form, "Command6")->text(), QStringLiteral("修改"));
        QCOMPARE(control<QLineEdit>(&form, "Text1")->text(), QStringLiteral("b.cn"));
    }

    void addedServicesFollowTheTenAndAreRemembered()
    {
        QDir().mkpath(QFileInfo(UserServiceFilePath()).absolutePath());
        QVERIFY(QFile::copy(QStringLiteral(TRAWLEX_TEST_DATA "/user_services.json"), UserServiceFilePath()));
        {
            Form3 form;
            auto *units = control<QCheckBox>(&form, "Check12");
            QCOMPARE(units->text(), QStringLiteral("万"));
            QVERIFY(!units->isChecked());
            units->setChecked(true);
            form.close();
        }
        Form3 reopened;
        QVERIFY(control<QCheckBox>(&reopened, "Check12")->isChecked());
        QVERIFY(!control<QCheckBox>(&reopened, "Check11")->isChecked());
        QVERIFY(!control<QCheckBox>(&reopened, "Check1")->isChecked());  // the ten start clear

        WriteFile(UserServiceFilePath(), "{\"services\": [");
        Form3 faulty;
        QVERIFY(!faulty.findChild<QCheckBox *>(QStringLiteral("Check11")));
        QVERIFY(control<QPlainTextEdit>(&faulty, "Text2")->toPlainText().contains(QStringLiteral("服务定义文件有误")));
    }

    void selectButtonsKeepToTheirOwnBoxes()
    {
        Form3 form;
        addSite(form, QStringLiteral("a.cn"), QString());
        control<QPushButton>(&form, "Command5")->click();  // every site
        control<QPushButton>(&form, "Command4")->click();  // every engine
        for (int i = 1; i <= 10; ++i)
            QVERIFY(control<QCheckBox>(&form, qPrintable(QStringLiteral("Check%1").arg(i)))->isChecked());
        control<QPushButton>(&form, "Command8")->click();
        for (int i = 1; i <= 10; ++i)
            QVERIFY(!control<QCheckBox>(&form, qPrintable(QStringLiteral("Check%1").arg(i)))->isChecked());
        QCOMPARE(rows(form), QStringList{"a.cn||1"});
        control<QPushButton>(&form, "Command4")->click();
        control<QPushButton>(&form, "Command7")->click();
        QCOMPARE(rows(form), QStringList{"a.cn||0"});
        QVERIFY(control<QCheckBox>(&form, "Check1")->isChecked());
    }

    void editingThroughTheFields()
    {
        Form3 form;
        auto *address = control<QLineEdit>(&form, "Text1");
        auto *name = control<QLineEdit>(&form, "Text3");
        auto *addOrModify = control<QPushButton>(&form, "Command6");
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        address->setFocus();
        QTest::keyClicks(address, QStringLiteral(" b.|cn "));
        QTest::keyClick(address, Qt::Key_Return);
        QVERIFY(name->hasFocus());
        name->insert(QStringLiteral("乙|站"));
        QTest::keyClick(name, Qt::Key_Return);
        addSite(form, QStringLiteral("a.cn"), QStringLiteral("甲"));
        addSite(form, QStringLiteral("B.CN"), QStringLiteral("again"));  // the same address: nothing added
        QCOMPARE(rows(form), (QStringList{"b.cn|乙站|0", "a.cn|甲|0"}));
        QCOMPARE(address->text(), QString());
        QVERIFY(address->hasFocus());

        control<QPushButton>(&form, "Command5")->click();
        clickRow(form, 1);
        QCOMPARE(addOrModify->text(), QStringLiteral("修改"));
        QCOMPARE(control<QLineEdit>(&form, "Text4")->text(), QStringLiteral("2"));
        QCOMPARE(address->text(), QStringLiteral("a.cn"));
        address->setText(QStringLiteral("c.cn"));
        addOrModify->click();
        QCOMPARE(rows(form), (QStringList{"b.cn|乙站|1", "c.cn|甲|0"}));
        QCOMPARE(addOrModify->text(), QStringLiteral("添加"));

        clickRow(form, 0);
        control<QPushButton>(&form, "Command9")->click();  // reset
        QCOMPARE(addOrModify->text(), QStringLiteral("添加"));
        QCOMPARE(address->text(), QString());
    }

    void sortingAndDeleting()
    {
        Form3 form;
        addSite(form, QStringLiteral("b.cn"), QStringLiteral("上海"));
        addSite(form, QStringLiteral("c.cn"), QStringLiteral("北京"));
        addSite(form, QStringLiteral("a.cn"), QStringLiteral("广州"));
        QHeaderView *header = control<QTreeWidget>(&form, "Lv1")->header();
        emit header->sectionClicked(0);
        QCOMPARE(rows(form).join(u' '), QStringLiteral("c.cn|北京|0 b.cn|上海|0 a.cn|广州|0"));
        emit header->sectionClicked(0);
        QCOMPARE(rows(form).join(u' '), QStringLiteral("a.cn|广州|0 b.cn|上海|0 c.cn|北京|0"));
        emit header->sectionClicked(1);
        QCOMPARE(rows(form).join(u' '), QStringLiteral("c.cn|北京|0 a.cn|广州|0 b.cn|上海|0"));

        control<QTreeWidget>(&form, "Lv1")->clearSelection();
        control<QLineEdit>(&form, "Text1")->setText(QStringLiteral("typed"));
        control<QMenu>(&form, "menuLV列表")->actions().at(0)->trigger();  // no selection: only a reset
        QCOMPARE(rows(form).size(), 3);
        QCOMPARE(control<QLineEdit>(&form, "Text1")->text(), QString());
        clickRow(form, 1);
        control<QMenu>(&form, "menuLV列表")->actions().at(0)->trigger();
        QCOMPARE(rows(form).join(u' '), QStringLiteral("c.cn|北京|0 b.cn|上海|0"));

        BrowserSpy browser;
        clickRow(form, 0);
        control<QMenu>(&form, "menuLV列表")->actions().at(1)->trigger();
        QCOMPARE(browser.opened, QList<QUrl>{QUrl(QStringLiteral("http://c.cn"))});
        form.close();
        QCOMPARE(LoadSiteFile(SiteFilePath()).size(), 2);  // saved in the sorted order
        QCOMPARE(LoadSiteFile(SiteFilePath()).at(0).Url, QStringLiteral("c.cn"));
    }

    void runReportsAndClears()
    {
        CannedPages pages;
        Form3 form(nullptr, &pages);
        addSite(form, QStringLiteral("www.lanxiu.cn"), QStringLiteral("澜岫"));
        control<QPushButton>(&form, "Command5")->click();
        control<QCheckBox>(&form, "Check1")->setChecked(true);
        control<QCheckBox>(&form, "Check4")->setChecked(true);  // its page holds no number
        control<QCheckBox>(&form, "Check10")->setChecked(true);
        form.show();
        control<QPushButton>(&form, "Command1")->click();
        auto *report = control<QPlainTextEdit>(&form, "Text2");
        const QStringList lines = report->toPlainText().split(u'\n');
        QCOMPARE(lines.mid(1), (QStringList{"澜岫", "www.lanxiu.cn   百度收录：   9万8700篇",
                                            "www.lanxiu.cn   雅虎收录：  查询失败",
                                            "www.lanxiu.cn   alexa排名：4321", QString(38, u'-'), QString()}));
        // The failure's tooltip says why.
        const QTextBlock failed = report->document()->findBlockByNumber(3);
        const QPoint at = report->cursorRect(QTextCursor(failed)).center();
        QHelpEvent help(QEvent::ToolTip, at, report->viewport()->mapToGlobal(at));
        QApplication::sendEvent(report->viewport(), &help);
        QVERIFY2(QToolTip::text().contains(QStringLiteral("结果页面是空的")), qPrintable(QToolTip::text()));
        QVERIFY(control<QPushButton>(&form, "Command1")->isEnabled());
        QCOMPARE(control<QProgressBar>(&form, "Pb1")->value(), 0);
        control<QPushButton>(&form, "Command2")->click();
        QCOMPARE(control<QPlainTextEdit>(&form, "Text2")->toPlainText(), QString());
        QCOMPARE(rows(form).size(), 1);
    }

    // The same list through the network gives the window the report the
    // command line prints.
    void reportEqualsTheCommandLines()
    {
        FakeWebServices web;
        const SiteList list = [] {
            SiteList sites;
            sites.append({QStringLiteral("www.lanxiu.cn"), QStringLiteral("澜岫"), true});
            sites.append({QStringLiteral("a.cn"), QString(), true});
            return sites;
        }();
        QVERIFY(SaveSiteFile(list, SiteFilePath()).ok);
        QSettings settings(QStringLiteral("蛛迹通"), QStringLiteral("蛛迹通"));
        QStringList arguments{"index", "--sites", SiteFilePath(), "--services", "baidu,google,youdao,alexa"};
        for (const char *key : {"baidu", "google", "youdao", "alexa"}) {
            settings.setValue(QStringLiteral("服务/") + QString::fromLatin1(key), web.base().toString());
            arguments << "--base" << QString::fromLatin1(key) + u'=' + web.base().toString();
        }
        settings.sync();

        Form3 form;
        for (const char *box : {"Check1", "Check2", "Check7", "Check10"})
            control<QCheckBox>(&form, box)->setChecked(true);
        control<QPushButton>(&form, "Command1")->click();
        const QStringList window = control<QPlainTextEdit>(&form, "Text2")->toPlainText().split(u'\n');

        QProcess cli;
        QEventLoop loop;
        connect(&cli, &QProcess::finished, &loop, &QEventLoop::quit);
        cli.start(QStringLiteral(TRAWLEX_BIN "/trawlex-cli"), arguments);
        loop.exec();
        const QStringList printed = QString::fromUtf8(cli.readAllStandardOutput()).split(u'\n');
        QCOMPARE(window.size(), 13);
        QCOMPARE(window.mid(1), printed.mid(1));  // the headers differ in their clock only
        QCOMPARE(window.at(3), QStringLiteral("www.lanxiu.cn   谷歌收录：      1230篇"));
    }

    void stopAndCloseDuringARun()
    {
        CannedPages pages;
        auto *form = new Form3(nullptr, &pages);
        for (int i = 0; i < 5; ++i)
            addSite(*form, QStringLiteral("s%1.cn").arg(i), QString());
        control<QPushButton>(form, "Command5")->click();
        control<QPushButton>(form, "Command4")->click();
        form->show();
        connect(control<QProgressBar>(form, "Pb1"), &QProgressBar::valueChanged, form, [form](int value) {
            if (value == 2)
                QTimer::singleShot(0, form, &QWidget::close);
        });
        control<QPushButton>(form, "Command1")->click();
        QVERIFY(!form->isVisible());
        QCOMPARE(pages.queries, 11);  // the first site's ten, then the stop after the next query
        delete form;
        QCOMPARE(LoadSiteFile(SiteFilePath()).size(), 5);
    }

    void balloonsOnTheRankingBoxes()
    {
        Form3 form;
        auto *sogouRank = control<QCheckBox>(&form, "Check8");
        QCOMPARE(sogouRank->toolTip(), SogouRankExplanation());
        QVERIFY(!form.balloonOf(8));
        MoveMouseOver(sogouRank);
        cToolTip *balloon = form.balloonOf(8);
        QVERIFY(balloon);
        QCOMPARE(sogouRank->toolTip(), QString());
        QCOMPARE(balloon->Title(), QStringLiteral("Sogou Rank(搜狗网页评级)"));
        QCOMPARE(balloon->Text(), SogouRankExplanation());
        QCOMPARE(balloon->Style(), 65);
        QCOMPARE(balloon->Icon(), 1);
        QCOMPARE(balloon->ForeCol(), 255);
        QCOMPARE(balloon->BackCol(), 0xC0FFC0);
        QCOMPARE(balloon->PopupTime(), 30000);
        MoveMouseOver(sogouRank);
        QCOMPARE(form.balloonOf(8), balloon);  // made once
        QVERIFY(!form.balloonOf(9));
        MoveMouseOver(control<QCheckBox>(&form, "Check9"));
        QCOMPARE(form.balloonOf(9)->Text(), ChinaRankExplanation());
    }

    void screenshots()
    {
        if (qEnvironmentVariableIsEmpty("TRAWLEX_SCREENSHOTS"))
            QSKIP("set TRAWLEX_SCREENSHOTS to a folder to take the README's screenshots");
        CannedPages pages;
        Form3 form(nullptr, &pages);
        addSite(form, QStringLiteral("www.lanxiu.cn"), QStringLiteral("澜岫软件"));
        addSite(form, QStringLiteral("www.example.com.cn"), QString());
        addSite(form, QStringLiteral("澜岫.中国"), QStringLiteral("中文域名"));
        control<QPushButton>(&form, "Command5")->click();
        for (const char *box : {"Check1", "Check2", "Check4", "Check10"})
            control<QCheckBox>(&form, box)->setChecked(true);
        form.show();
        control<QPushButton>(&form, "Command1")->click();
        auto *sogouRank = control<QCheckBox>(&form, "Check8");
        MoveMouseOver(sogouRank);
        form.balloonOf(8)->showNow();
        control<QPlainTextEdit>(&form, "Text2")->verticalScrollBar()->setValue(0);  // the header in view
        SaveScreenshot(&form, "indexing-window");
        SaveScreenshot(form.balloonOf(8)->balloon(), "balloon");
    }
};

QTEST_MAIN(TestIndexingWindow)
#include "test_indexing_window.moc"
