#include "common/app_settings.h"
#include "indexing/site_file.h"
#include "overview/ui/site_settings.h"
#include "ranking/keyword_file.h"
#include "ranking/ui/keyword_rank_window.h"
#include "store/site_store.h"
#include "support/crawl_fixtures.h"
#include "support/fake_search_engine.h"
#include "support/gui_helpers.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTableView>

class TestRankWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        QSettings(QStringLiteral("蛛迹通"), QStringLiteral("蛛迹通")).clear();
        QFile::remove(KeywordFilePath());
        QFile::remove(UserServiceFilePath());
    }

    // The keywords come from gjc.txt and the ticks from the settings; the
    // table fills as answers come, with the URL or the reason in a tooltip;
    // each finished run goes into the chosen site's store, the next shows the
    // change; closing keeps the keywords and the ticks.
    void runFillsTheTable()
    {
        FakeSearchEngine web;
        web.serve(QStringLiteral("/s?q=page1&pn=0"),
                  FakeSearchEngine::resultPage({"https://a.com/", "https://www.example.com/x"}));
        web.serve(QStringLiteral("/s?q=error&pn=0"), "oops", 500);
        WriteFile(UserServiceFilePath(), FakeSearchEngine::definitions(web.base()));
        WriteFile(KeywordFilePath(), "error\r\npage1");
        QTemporaryDir dir;
        SaveSite({QStringLiteral("示例"), dir.path(), false, {}, dir.filePath(QStringLiteral("site.sqlite"))});
        {
            QSettings settings = OpenAppSettings();
            settings.beginGroup(QStringLiteral("关键词"));
            settings.setValue(QStringLiteral("引擎"), QStringList{"fake"});
            settings.setValue(QStringLiteral("网址"), QStringLiteral("www.example.com"));
            settings.setValue(QStringLiteral("间隔"), 0.0);
            settings.setValue(QStringLiteral("存入站点"), QStringLiteral("示例"));
        }
        auto window = std::make_unique<KeywordRankWindow>();
        QVERIFY(control<QCheckBox>(window.get(), "engine_fake")->isChecked());
        QVERIFY(!control<QCheckBox>(window.get(), "engine_gbk")->isChecked());
        QCOMPARE(control<QPlainTextEdit>(window.get(), "keywordsEdit")->toPlainText(), QStringLiteral("error\npage1"));

        QSignalSpy finished(window.get(), &KeywordRankWindow::runFinished);
        control<QPushButton>(window.get(), "startButton")->click();
        QVERIFY(finished.wait(10000));
        auto *view = control<QTableView>(window.get(), "rankTable");
        const QAbstractItemModel *table = view->model();
        QCOMPARE(table->headerData(1, Qt::Horizontal).toString(), QStringLiteral("假"));
        QCOMPARE(table->index(0, 0).data().toString(), QStringLiteral("error"));  // the file's order
        QCOMPARE(table->index(0, 1).data().toString(), QStringLiteral("查询失败"));
        QCOMPARE(table->index(0, 1).data(Qt::ToolTipRole).toString(), QStringLiteral("查询失败：第 1 页：HTTP 500"));
        QCOMPARE(table->index(1, 1).data().toString(), QStringLiteral("2"));
        QCOMPARE(table->index(1, 1).data(Qt::ToolTipRole).toString(), QStringLiteral("https://www.example.com/x"));
        view->sortByColumn(1, Qt::AscendingOrder);  // ranks before failures
        QCOMPARE(table->index(0, 0).data().toString(), QStringLiteral("page1"));
        QVERIFY(control<QLabel>(window.get(), "status")->text().startsWith(QStringLiteral("分析完成。已存入站点“示例”。")));
        QCOMPARE(table->headerData(2, Qt::Horizontal).toString(), QStringLiteral("假变化"));
        // An import holding the store keeps the next run waiting, not the window.
        auto importing = std::make_unique<SiteStore>(dir.filePath(QStringLiteral("site.sqlite")), SiteStore::Access::Write);
        importing->db().exec("BEGIN IMMEDIATE");
        control<QPushButton>(window.get(), "startButton")->click();
        QTRY_COMPARE(control<QLabel>(window.get(), "status")->text(), QStringLiteral("正在存入站点“示例”…"));
        importing->db().exec("COMMIT");
        importing.reset();
        QVERIFY(finished.wait(10000));
        QCOMPARE(table->index(0, 0).data().toString(), QStringLiteral("page1"));
        QCOMPARE(table->index(0, 2).data().toString(), QStringLiteral("持平"));
        SaveScreenshot(window.get(), "keyword-rank-window");

        control<QCheckBox>(window.get(), "engine_gbk")->setChecked(true);
        control<QPlainTextEdit>(window.get(), "keywordsEdit")->setPlainText(QStringLiteral("新词\npage1"));
        window->close();
        window.reset();
        QCOMPARE(LoadKeywordFile(KeywordFilePath()), (QStringList{"新词", "page1"}));
        QSettings settings = OpenAppSettings();
        QCOMPARE(settings.value(QStringLiteral("关键词/引擎")).toStringList(), (QStringList{"fake", "gbk"}));
    }

    // No serp definition: the window says how to add one and cannot start.
    void withoutEngines()
    {
        KeywordRankWindow window;
        QVERIFY(window.findChild<QLabel *>(QStringLiteral("noEngineNote")));
        QVERIFY(!control<QPushButton>(&window, "startButton")->isEnabled());
    }
};

QTEST_MAIN(TestRankWindow)
#include "test_rank_window.moc"
