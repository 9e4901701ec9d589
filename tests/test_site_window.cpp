#include "overview/ui/agent_details.h"
#include "overview/ui/chart_view.h"
#include "overview/ui/coverage_tab.h"
#include "overview/ui/overview_window.h"
#include "support/gui_helpers.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>

namespace {

const QString kGolden = QStringLiteral(TRAWLEX_TEST_DATA "/site/golden");

QString cell(QTableView *table, const QString &key, const QString &header)
{
    const QAbstractItemModel *model = table->model();
    for (int row = 0; row < model->rowCount(); ++row)
        for (int column = 0; column < model->columnCount(); ++column)
            if (model->index(row, 0).data(Qt::UserRole + 1).toString() == key
                && model->headerData(column, Qt::Horizontal).toString() == header)
                return model->index(row, column).data().toString();
    return QStringLiteral("no cell %1 / %2").arg(key, header);
}

}  // namespace

// The golden site folder in the window: the 覆盖 and robots tabs, the list of
// never-requested URLs, the details' 目录 and 时段, the inputs remembered.
class TestSiteWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void coverageRobotsAndDetails()
    {
        QSettings(QStringLiteral("蛛迹通"), QStringLiteral("蛛迹通")).clear();
        {
            OverviewWindow window;
            window.setFolder(kGolden + QStringLiteral("/logs"));
            control<QLineEdit>(&window, "sitemapEdit")->setText(kGolden + QStringLiteral("/sitemap.xml"));
            control<QLineEdit>(&window, "robotsEdit")->setText(kGolden + QStringLiteral("/robots.txt"));
            QSignalSpy finished(&window, &OverviewWindow::runFinished);
            control<QPushButton>(&window, "startButton")->click();
            QVERIFY(finished.wait(20000));

            auto *coverage = control<QTableView>(&window, "coverageTable");
            QCOMPARE(coverage->model()->rowCount(), 3);  // crawlers only, not the browser
            QCOMPARE(cell(coverage, "baiduspider", "从未抓取"), QStringLiteral("1"));
            QCOMPARE(cell(coverage, "googlebot", "地图外页面"), QStringLiteral("3"));
            auto *robots = control<QTableView>(&window, "robotsTable");
            QCOMPARE(cell(robots, "googlebot", "违规请求"), QStringLiteral("3"));
            QCOMPARE(cell(robots, "gptbot", "适用组"), QStringLiteral("GPTBot"));

            NeverRequestedList *never = control<CoverageTab>(&window, "coverageTab")->openNeverList("baiduspider");
            QVERIFY(never);
            QCOMPARE(control<QTableView>(never, "neverTable")->model()->rowCount(), 1);
            QTemporaryDir out;
            const QString file = out.filePath(QStringLiteral("never.txt"));
            QCOMPARE(never->exportTo(file), QString());
            QFile saved(file);
            QVERIFY(saved.open(QIODevice::ReadOnly));
            QCOMPARE(saved.readAll(), QByteArray("https://example.com/item?id=1&x=2\n"));

            AgentDetails *details = window.openDetails(QStringLiteral("googlebot"));
            QVERIFY(details);
            auto *sections = control<QTableView>(details, "sectionTable");
            QCOMPARE(sections->model()->rowCount(), 3);
            QCOMPARE(control<ChartView>(details, "agentHourChart")->chart().series.front().points[9].value, 3);
            window.close();
        }
        OverviewWindow window;
        QCOMPARE(control<QLineEdit>(&window, "sitemapEdit")->text(), kGolden + QStringLiteral("/sitemap.xml"));
        QCOMPARE(control<QLineEdit>(&window, "robotsEdit")->text(), kGolden + QStringLiteral("/robots.txt"));
        if (qEnvironmentVariableIsEmpty("TRAWLEX_SCREENSHOTS"))
            return;
        QSignalSpy finished(&window, &OverviewWindow::runFinished);
        control<QPushButton>(&window, "startButton")->click();
        QVERIFY(finished.wait(20000));
        control<QTabWidget>(&window, "chartTabs")->setCurrentWidget(control<CoverageTab>(&window, "coverageTab"));
        window.setFolder(QStringLiteral("/var/log/nginx"));  // as the reader's would be
        control<QLineEdit>(&window, "sitemapEdit")->setText(QStringLiteral("https://example.com/sitemap.xml"));
        control<QLineEdit>(&window, "robotsEdit")->setText(QStringLiteral("https://example.com/robots.txt"));
        window.resize(1100, 760);
        SaveScreenshot(&window, "overview-coverage");
    }
};

QTEST_MAIN(TestSiteWindow)
#include "test_site_window.moc"
