#include "overview/ui/chart_view.h"
#include "overview/ui/overview_window.h"
#include "overview/ui/problem_line.h"
#include "overview/ui/site_settings.h"
#include "support/crawl_fixtures.h"
#include "support/gui_helpers.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>

namespace {

const QByteArray kBaidu = "Mozilla/5.0 (compatible; Baiduspider/2.0; +http://www.baidu.com/search/spider.html)";

QByteArray Line(int day, const QByteArray &page)
{
    return "1.2.3.4 - - [" + QByteArray::number(day).rightJustified(2, '0') + "/Dec/2026:10:00:00 +0800] \"GET " + page
           + " HTTP/1.1\" 200 100 \"-\" \"" + kBaidu + "\"\n";
}

void Click(OverviewWindow &window, const char *button)
{
    QSignalSpy finished(&window, &OverviewWindow::runFinished);
    control<QPushButton>(&window, button)->click();
    QVERIFY(finished.wait(20000));
}

QStringList Headers(QTableView *table)
{
    QStringList headers;
    for (int column = 0; column < table->model()->columnCount(); ++column)
        headers.append(table->model()->headerData(column, Qt::Horizontal).toString());
    return headers;
}

}  // namespace

class TestStoreWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { QSettings(QStringLiteral("蛛迹通"), QStringLiteral("蛛迹通")).clear(); }

    // A site remembers its folder and store; 导入 brings what is new, the
    // results come from the store and stay once the logs are gone.
    void importIntoSiteAndReadItBack()
    {
        QTemporaryDir dir;
        const QString logs = dir.filePath(QStringLiteral("logs"));
        QVERIFY(QDir().mkpath(logs));
        QByteArray lines;  // four weeks of December, busier towards its end
        for (int day = 1; day <= 28; ++day)
            for (int i = 0; i < day / 3 + 1; ++i)
                lines += Line(day, "/page" + QByteArray::number(i));
        WriteFile(logs + QStringLiteral("/access.log"), lines);
        const qint64 requests = lines.count('\n');
        SaveSite({QStringLiteral("示例"), logs, false, {}, dir.filePath(QStringLiteral("site.sqlite"))});

        OverviewWindow window;
        auto *sites = control<QComboBox>(&window, "siteCombo");
        QVERIFY(sites->findText(QStringLiteral("示例")) > 0);
        window.chooseSite(QStringLiteral("示例"));
        Click(window, "importButton");
        QVERIFY(window.result());
        QCOMPARE(window.result()->requests(), requests);
        // The import's closing line in view, every input's line behind it.
        auto *report = control<ProblemLine>(&window, "problemsLabel");
        QVERIFY2(report->text().contains(QStringLiteral("新增 %1 条记录").arg(requests)), qPrintable(report->text()));
        QVERIFY(report->allProblems().contains(QStringLiteral("access.log：新增 %1 条记录").arg(requests)));
        QVERIFY2(!report->styleSheet().contains(QStringLiteral("color")), "a good import is no problem");
        auto *table = control<QTableView>(&window, "agentTable");
        QVERIFY(Headers(table).contains(QStringLiteral("变化")));

        // The trend tab draws the store's weeks with the overview's line chart.
        auto *tabs = control<QTabWidget>(&window, "chartTabs");
        window.show();
        tabs->setCurrentIndex(tabs->count() - 1);
        auto *trend = control<ChartView>(&window, "trendChart");
        QCOMPARE(trend->chart().series.size(), 1);
        QCOMPARE(trend->chart().series.front().points.size(), 5);  // the weeks from 11-30 to 12-28
        SaveScreenshot(&window, "overview-site");

        // Nothing new, then the logs gone: the store still answers.
        Click(window, "importButton");
        QVERIFY(report->allProblems().contains(QStringLiteral("access.log：已导入，无新内容")));
        QVERIFY(QDir(logs).removeRecursively());
        Click(window, "startButton");
        QVERIFY(window.result());
        QCOMPARE(window.result()->requests(), requests);

        // Without a site the window reads logs as before, with no 变化 column.
        window.chooseSite({});
        QVERIFY(QDir().mkpath(logs));
        WriteFile(logs + QStringLiteral("/access.log"), Line(1, "/a"));
        window.setFolder(logs);
        Click(window, "startButton");
        QVERIFY(window.result());
        QCOMPARE(window.result()->requests(), 1);
        QVERIFY(!Headers(table).contains(QStringLiteral("变化")));
    }

    void newAndRemovedSites()
    {
        OverviewWindow window;
        window.setFolder(QStringLiteral("/var/log/nginx"), true);
        window.createSite(QStringLiteral("博客"));
        QCOMPARE(window.siteName(), QStringLiteral("博客"));
        const Site site = LoadSite(QStringLiteral("博客"));
        QCOMPARE(site.folder, QStringLiteral("/var/log/nginx"));
        QVERIFY(site.recursive);
        QVERIFY(site.storePath.endsWith(QStringLiteral("博客.sqlite")));
        control<QPushButton>(&window, "removeSite")->click();
        QVERIFY(window.siteName().isEmpty());
        QVERIFY(!SiteNames().contains(QStringLiteral("博客")));
    }
};

QTEST_MAIN(TestStoreWindow)
#include "test_store_window.moc"
