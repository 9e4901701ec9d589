#include "logs/formats/log_formats.h"
#include "overview/ui/agent_details.h"
#include "overview/ui/chart_view.h"
#include "common/app_settings.h"
#include "overview/ui/overview_window.h"
#include "support/tiny_dns_server.h"
#include "verification/dns_evidence.h"
#include "support/crawl_fixtures.h"
#include "support/gui_helpers.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolTip>

namespace {

const QByteArray kGoogle = "Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)";
const QByteArray kBaidu = "Mozilla/5.0 (compatible; Baiduspider/2.0; +http://www.baidu.com/search/spider.html)";
const QByteArray kBing = "Mozilla/5.0 (compatible; bingbot/2.0; +http://www.bing.com/bingbot.htm)";
const QByteArray kAhrefs = "Mozilla/5.0 (compatible; AhrefsBot/7.0; +http://ahrefs.com/robot/)";
const QByteArray kGpt = "Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; GPTBot/1.1)";
const QByteArray kBrowser = "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 Chrome/120.0 Safari/537.36";

const QString kNginxCombined = QStringLiteral(
    R"($remote_addr - $remote_user [$time_local] "$request" $status $body_bytes_sent "$http_referer" "$http_user_agent")");

QByteArray combined(int day, const QByteArray &page, int status, int bytes, const QByteArray &agent)
{
    return "66.249.66." + QByteArray::number(day) + " - - [0" + QByteArray::number(day) +
           "/Jan/2015:10:00:00 +0800] \"GET " + page + " HTTP/1.1\" " + QByteArray::number(status) + ' ' +
           QByteArray::number(bytes) + " \"-\" \"" + agent + "\"\n";
}

// Three days of a small site: Baidu busiest with a 404, Google's few but big
// answers, one line each of Bing, GPTBot and AhrefsBot, and visitors.
void writeSite(const QString &folder)
{
    QByteArray day1, day2, day3;
    for (const char *page : {"/", "/a.html", "/b.html"})
        day1 += combined(1, page, 200, 300, kBaidu);
    day1 += combined(1, "/gone.html", 404, 0, kBaidu) + combined(1, "/", 200, 90000, kGoogle);
    day2 += combined(2, "/a.html", 304, 0, kBaidu) + combined(2, "/a.html", 200, 90000, kGoogle) +
            combined(2, "/", 200, 500, kBing) + combined(2, "/", 200, 800, kGpt);
    day3 += combined(3, "/x", 500, 10, kAhrefs);
    for (int i = 0; i < 4; ++i)
        day3 += combined(3, "/", 200, 700, kBrowser);
    WriteFile(folder + QStringLiteral("/access.log.1"), day1 + day2);
    WriteFile(folder + QStringLiteral("/access.log"), day3);
}

// A month of a busier site for the README's pictures: each crawler's daily
// requests rise and fall in its own rhythm, a few answers fail.
void writeBusySite(const QString &folder)
{
    const QList<std::pair<QByteArray, int>> crawlers = {
        {kBaidu, 60}, {kGoogle, 45}, {kBing, 20}, {kGpt, 12}, {kAhrefs, 8}, {kBrowser, 90}};
    QByteArray lines;
    for (int day = 1; day <= 28; ++day)
        for (qsizetype k = 0; k < crawlers.size(); ++k) {
            const int requests = crawlers[k].second + int((day * (k + 3) * 7) % 23) - 11;
            for (int i = 0; i < requests; ++i) {
                const int status = i % 17 == 0 ? 404 : i % 29 == 0 ? 503 : i % 5 == 0 ? 304 : 200;
                const QByteArray page = "/article/" + QByteArray::number((i * 31 + day) % 97) + ".html";
                lines += "66.249." + QByteArray::number(k) + '.' + QByteArray::number(i % 9) + " - - [" +
                         QByteArray::number(day).rightJustified(2, '0') + "/Feb/2015:" +
                         QByteArray::number(i % 24).rightJustified(2, '0') + ":10:00 +0800] \"GET " + page +
                         " HTTP/1.1\" " + QByteArray::number(status) + " 5120 \"-\" \"" + crawlers[k].first + "\"\n";
            }
        }
    WriteFile(folder + QStringLiteral("/access.log"), lines);
}

QStringList rowKeys(QTableView *table)
{
    QStringList keys;
    for (int row = 0; row < table->model()->rowCount(); ++row)
        keys.append(table->model()->index(row, 0).data(Qt::UserRole + 1).toString());
    return keys;
}

int column(QTableView *table, const QString &header)
{
    for (int column = 0; column < table->model()->columnCount(); ++column)
        if (table->model()->headerData(column, Qt::Horizontal).toString() == header)
            return column;
    return -1;
}

// Starts a run and waits for its end.
void run(OverviewWindow &window)
{
    QSignalSpy finished(&window, &OverviewWindow::runFinished);
    control<QPushButton>(&window, "startButton")->click();
    QVERIFY(finished.wait(20000));
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("cannot read " + path.toUtf8());
}

}  // namespace

class TestOverviewWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(site_.isValid());
        writeSite(site_.path());
    }
    void init() { QSettings(QStringLiteral("蛛迹通"), QStringLiteral("蛛迹通")).clear(); }

    void tableRowsAndSort()
    {
        OverviewWindow window;
        window.setFolder(site_.path());
        run(window);
        QCOMPARE(control<QLabel>(&window, "statusLabel")->text(), QStringLiteral("完成：2 个文件，14 条记录"));
        auto *table = control<QTableView>(&window, "agentTable");
        QCOMPARE(rowKeys(table), (QStringList{"baiduspider", "browser", "googlebot", "ahrefsbot", "bingbot", "gptbot"}));
        QCOMPARE(table->model()->index(0, column(table, "4xx")).data().toString(), QStringLiteral("1"));
        // Traffic sorts by bytes, not by its text ("175.8 KB" would come before "500 B").
        table->sortByColumn(column(table, "流量"), Qt::DescendingOrder);
        QCOMPARE(rowKeys(table).mid(0, 3), (QStringList{"googlebot", "browser", "baiduspider"}));
        QVERIFY(control<QLabel>(&window, "totalsLabel")->text().startsWith(QStringLiteral("合计：6 个蜘蛛，请求数 14，")));
    }

    void categoryFilter_data()
    {
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("agents");
        QTest::newRow("search") << QStringList{"search"} << QStringList{"baiduspider", "googlebot", "bingbot"};
        QTest::newRow("ai and seo") << QStringList{"ai", "seo"} << QStringList{"ahrefsbot", "gptbot"};
        QTest::newRow("visitors") << QStringList{"visitor"} << QStringList{"browser"};
        QTest::newRow("none") << QStringList{} << QStringList{};
    }

    void categoryFilter()
    {
        QFETCH(QStringList, shown);
        QFETCH(QStringList, agents);
        OverviewWindow window;
        window.setFolder(site_.path());
        run(window);
        for (QCheckBox *box : window.findChildren<QCheckBox *>(QRegularExpression(QStringLiteral("^category_"))))
            box->setChecked(shown.contains(box->objectName().mid(9)));
        QCOMPARE(rowKeys(control<QTableView>(&window, "agentTable")), agents);
    }

    void stopMidRun()
    {
        QTemporaryDir big;
        const QByteArray lines = combined(1, "/", 200, 300, kBaidu).repeated(20000);
        for (int i = 0; i < 20; ++i)
            WriteFile(big.filePath(QStringLiteral("access.log.%1").arg(i)), lines);
        OverviewWindow window;
        window.setFolder(big.path());
        QSignalSpy finished(&window, &OverviewWindow::runFinished);
        control<QPushButton>(&window, "startButton")->click();
        QVERIFY(window.running());
        QVERIFY(!control<QPushButton>(&window, "startButton")->isEnabled());  // no second run on top
        control<QPushButton>(&window, "stopButton")->click();
        QVERIFY(finished.wait(20000));
        QCOMPARE(control<QLabel>(&window, "statusLabel")->text(), QStringLiteral("已停止"));
        QCOMPARE(control<QLabel>(&window, "totalsLabel")->text(), QString());
        QCOMPARE(control<QTableView>(&window, "agentTable")->model()->rowCount(), 0);
        QVERIFY(!window.result());
        run(window);  // a new run after a stop goes to the end
        QVERIFY(control<QLabel>(&window, "statusLabel")->text().startsWith(QStringLiteral("完成")));
    }

    void closeMidRun()
    {
        QTemporaryDir big;
        for (int i = 0; i < 20; ++i)
            WriteFile(big.filePath(QStringLiteral("access.log.%1").arg(i)),
                      combined(1, "/", 200, 300, kBaidu).repeated(20000));
        QPointer<OverviewWindow> window = new OverviewWindow;
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setFolder(big.path());
        window->show();
        control<QPushButton>(window, "startButton")->click();
        QVERIFY(!window->close());  // waits for the worker, then closes by itself
        QTRY_VERIFY_WITH_TIMEOUT(window.isNull(), 20000);
    }

    void exportsEqualTheCommandLine()
    {
        OverviewWindow window;
        window.setFolder(site_.path());
        run(window);
        QTemporaryDir out;
        QCOMPARE(window.exportCsv(out.filePath(QStringLiteral("window"))), QString());
        QCOMPARE(window.exportHtml(out.filePath(QStringLiteral("window.html"))), QString());

        QProcess cli;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), out.filePath(QStringLiteral("config")));
        cli.setProcessEnvironment(environment);
        for (const QStringList &output : {QStringList{"--csv", out.filePath(QStringLiteral("cli"))},
                                          QStringList{"--html", out.filePath(QStringLiteral("cli.html"))}}) {
            cli.start(QStringLiteral(TRAWLEX_BIN "/trawlex-cli"), QStringList{"overview"} + output + QStringList{site_.path()});
            QVERIFY(cli.waitForFinished(20000));
            QCOMPARE(cli.exitCode(), 0);
        }
        for (const char *name : {"agents.csv", "days.csv", "pages.csv"})
            QCOMPARE(fileBytes(out.filePath(QStringLiteral("window/") + QLatin1String(name))),
                     fileBytes(out.filePath(QStringLiteral("cli/") + QLatin1String(name))));
        QCOMPARE(fileBytes(out.filePath(QStringLiteral("window.html"))), fileBytes(out.filePath(QStringLiteral("cli.html"))));
    }

    void chartsOfTheSelectedAgents()
    {
        OverviewWindow window;
        window.setFolder(site_.path());
        run(window);
        auto *days = control<ChartView>(&window, "dayChart");
        // No selection: the busiest crawlers, visitors left out.
        QCOMPARE(days->chart().series.size(), 5);
        QCOMPARE(days->chart().svg.count(QStringLiteral("<polyline")), 5);

        auto *table = control<QTableView>(&window, "agentTable");
        table->selectionModel()->select(table->model()->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        table->selectionModel()->select(table->model()->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QCOMPARE(days->chart().series.size(), 2);
        QCOMPARE(days->chart().svg.count(QStringLiteral("<polyline")), 2);
        QCOMPARE(control<ChartView>(&window, "statusChart")->chart().bars.size(), 2 * 2);  // baidu 2xx/3xx/4xx, google 2xx

        // The value under the mouse comes from the chart's geometry.
        window.show();
        const ChartPoint point = days->chart().series.front().points.front();
        QMouseEvent move(QEvent::MouseMove, point.at, days->mapToGlobal(point.at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(days, &move);
        QCOMPARE(QToolTip::text(), QStringLiteral("百度蜘蛛 2015-01-01：4 次"));

        QTemporaryDir out;
        QCOMPARE(window.exportCharts(out.path()), QString());
        const QImage image(out.filePath(QStringLiteral("days.png")));
        QCOMPARE(image.size(), DrawDayChart(*window.result(), {"baiduspider", "googlebot"}).size.toSize());
        QVERIFY(!QImage(out.filePath(QStringLiteral("status.png"))).isNull());
    }

    void agentDetails()
    {
        OverviewWindow window;
        window.setFolder(site_.path());
        run(window);
        AgentDetails *details = window.openDetails(QStringLiteral("baiduspider"));
        QVERIFY(details);
        QCOMPARE(details->windowTitle(), QStringLiteral("蜘蛛详情 - 百度蜘蛛"));
        auto *pages = control<QTableView>(details, "pageTable");
        QCOMPARE(pages->model()->rowCount(), 4);
        QCOMPARE(pages->model()->index(0, 0).data().toString(), QStringLiteral("/a.html"));  // most requests first
        QCOMPARE(pages->model()->index(0, 2).data().toString(), QStringLiteral("200, 304"));
        control<QLineEdit>(details, "pageFilter")->setText(QStringLiteral("HTML"));
        QCOMPARE(pages->model()->rowCount(), 3);
        auto *errors = control<QTableView>(details, "errorTable");
        QCOMPARE(errors->model()->rowCount(), 1);
        QCOMPARE(errors->model()->index(0, 1).data().toString(), QStringLiteral("404"));
        QCOMPARE(control<ChartView>(details, "agentDayChart")->chart().series.size(), 1);

        pages->selectRow(0);
        control<QPushButton>(details, "copyRows")->click();
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral("页面\t请求数\t状态码\t最后访问\n/a.html\t2\t200, 304\t2015-01-02T10:00:00\n"));
        QVERIFY(!window.openDetails(QStringLiteral("nobody")));
    }

    void settingsRemembered()
    {
        {
            OverviewWindow window;
            window.setFolder(site_.path());
            control<QCheckBox>(&window, "recursiveCheck")->setChecked(true);
            control<QComboBox>(&window, "formatCombo")->setCurrentText(kNginxCombined);
            control<QLineEdit>(&window, "fromEdit")->setText(QStringLiteral("2015-01-03"));
            control<QCheckBox>(&window, "forwardedCheck")->setChecked(true);
            control<QLineEdit>(&window, "trustedProxiesEdit")->setText(QStringLiteral("203.0.113.0/24"));
            run(window);
            QCOMPARE(rowKeys(control<QTableView>(&window, "agentTable")), (QStringList{"browser", "ahrefsbot"}));
            auto *table = control<QTableView>(&window, "agentTable");
            table->sortByColumn(column(table, "蜘蛛"), Qt::AscendingOrder);
            table->setColumnWidth(column(table, "蜘蛛"), 211);
            window.close();
        }
        OverviewWindow window;
        QCOMPARE(control<QLineEdit>(&window, "folderEdit")->text(), site_.path());
        QVERIFY(control<QCheckBox>(&window, "recursiveCheck")->isChecked());
        auto *format = control<QComboBox>(&window, "formatCombo");
        QCOMPARE(format->currentText(), kNginxCombined);
        // Remembered after 自动, combined, common and the format definitions' titles.
        QCOMPARE(format->itemText(3), QStringLiteral("华为云 CDN"));
        QCOMPARE(format->itemText(3 + int(BuiltinLogFormats().definitions.size())), kNginxCombined);
        QVERIFY(control<QCheckBox>(&window, "forwardedCheck")->isChecked());
        QCOMPARE(control<QLineEdit>(&window, "trustedProxiesEdit")->text(), QStringLiteral("203.0.113.0/24"));
        QCOMPARE(control<QLineEdit>(&window, "fromEdit")->text(), QStringLiteral("2015-01-03"));
        QCOMPARE(control<QLineEdit>(&window, "toEdit")->text(), QString());
        auto *table = control<QTableView>(&window, "agentTable");
        QCOMPARE(table->columnWidth(column(table, "蜘蛛")), 211);
        QCOMPARE(table->horizontalHeader()->sortIndicatorSection(), column(table, "蜘蛛"));
        QCOMPARE(table->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
    }

    void verificationColumnAndFakes()
    {
        TinyDnsServer dns;  // answers on this thread's event loop, which waiting for the run turns
        dns.addPtr(QHostAddress("66.249.66.1"), "crawl-66-249-66-1.googlebot.com");
        dns.addAddress("crawl-66-249-66-1.googlebot.com", QHostAddress("66.249.66.1"));
        OpenAppSettings().setValue(QStringLiteral("概览/DNS服务器"), dns.address());
        QFile::remove(VerificationCache::defaultPath());
        OverviewWindow window;
        window.setFolder(site_.path());
        control<QCheckBox>(&window, "verifyCheck")->setChecked(true);
        run(window);

        auto *table = control<QTableView>(&window, "agentTable");
        QVERIFY(column(table, "验证") > 0);
        const int google = int(rowKeys(table).indexOf(QStringLiteral("googlebot")));
        QCOMPARE(table->model()->index(google, column(table, "验证")).data().toString(), QStringLiteral("已验证 50% · 仿冒 1"));
        // The fakes, most requests first: Baidu's name from Google's address, then the nameless ones.
        auto *fakes = control<QTableView>(&window, "fakeTable");
        QCOMPARE(fakes->model()->rowCount(), 4);
        fakes->selectRow(0);
        control<QPushButton>(&window, "copyFakes")->click();
        const QStringList copied = QGuiApplication::clipboard()->text().split(u'\n');
        QCOMPARE(copied[0], QStringLiteral("地址\t蜘蛛\t请求数\t反向域名\t原因"));
        QVERIFY2(copied[1].startsWith(QStringLiteral("66.249.66.1\t百度蜘蛛\t4\tcrawl-66-249-66-1.googlebot.com\t")),
                 qPrintable(copied[1]));
    }

    void refusesWhatCannotRun_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("message");
        QTest::newRow("no folder") << "/nonexistent/logs" << "" << "该目录不存在！";
        QTest::newRow("bad date") << "" << "2015-13-01" << "日期“2015-13-01”无效，请写成 YYYY-MM-DD，或留空表示不限。";
    }

    void refusesWhatCannotRun()
    {
        QFETCH(QString, folder);
        QFETCH(QString, from);
        QFETCH(QString, message);
        OverviewWindow window;
        window.setFolder(folder.isEmpty() ? site_.path() : folder);
        control<QLineEdit>(&window, "fromEdit")->setText(from);
        QString shown;
        WhenModalShows([&](QWidget *modal) {
            shown = qobject_cast<QMessageBox *>(modal)->text();
            modal->close();
        });
        control<QPushButton>(&window, "startButton")->click();
        QCOMPARE(shown, message);
        QVERIFY(!window.running());
    }

    void screenshots()
    {
        if (qEnvironmentVariableIsEmpty("TRAWLEX_SCREENSHOTS"))
            QSKIP("set TRAWLEX_SCREENSHOTS to a folder to take the README's screenshots");
        QTemporaryDir busy;
        writeBusySite(busy.path());
        OverviewWindow window;
        window.setFolder(busy.path());
        run(window);
        window.setFolder(QStringLiteral("/var/log/nginx"));  // a folder as the reader's would be, not a temporary one
        window.resize(1100, 760);
        SaveScreenshot(&window, "overview-window");
        AgentDetails *details = window.openDetails(QStringLiteral("baiduspider"));
        SaveScreenshot(details, "overview-details");
    }

private:
    QTemporaryDir site_;
};

QTEST_MAIN(TestOverviewWindow)
#include "test_overview_window.moc"
