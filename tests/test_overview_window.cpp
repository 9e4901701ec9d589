#include "logs/formats/log_formats.h"
#include "overview/ui/agent_details.h"
#include "overview/ui/chart_view.h"
#include "common/app_settings.h"
#include "overview/agent_catalogue.h"
#include "overview/overview_format.h"
#include "overview/ui/overview_figures.h"
#include "overview/ui/overview_window.h"
#include "overview/ui/problem_line.h"
#include "overview/ui/verification_tools.h"
#include "verification/address_lists.h"
#include "verification/catalogue_rules.h"
#include "support/tiny_dns_server.h"
#include "verification/dns_evidence.h"
#include "support/crawl_fixtures.h"
#include "support/gui_helpers.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QHttpServer>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableView>
#include <QTcpServer>
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

// The text of the next message box, which is then closed.
void catchMessage(QString &text)
{
    WhenModalShows([&text](QWidget *modal) {
        text = qobject_cast<QMessageBox *>(modal)->text();
        modal->close();
    });
}

OverviewInput input(const QString &path, const QString &skipReason, qint64 records, qint64 badLines)
{
    OverviewInput made;
    made.path = path;
    made.skipReason = skipReason;
    made.records = records;
    made.badLines = badLines;
    return made;
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

        // A stopped run leaves the last finished one's table, and says so.
        const QStringList shown = rowKeys(control<QTableView>(&window, "agentTable"));
        control<QPushButton>(&window, "startButton")->click();
        control<QPushButton>(&window, "stopButton")->click();
        QVERIFY(finished.wait(20000));
        QCOMPARE(control<QLabel>(&window, "statusLabel")->text(), QStringLiteral("已停止：新的分析未完成，表中仍是上一次的结果"));
        QCOMPARE(rowKeys(control<QTableView>(&window, "agentTable")), shown);
        QVERIFY(window.result() && !window.result()->stopped);
    }

    void sharesAndTotalsFollowTheShownRows()
    {
        OverviewWindow window;
        window.setFolder(site_.path());
        run(window);
        auto *table = control<QTableView>(&window, "agentTable");
        const int share = column(table, "占比");
        QCOMPARE(table->model()->index(0, share).data().toString(), QStringLiteral("35.7%"));  // Baidu's 5 of 14
        control<QCheckBox>(&window, "category_visitor")->setChecked(false);
        QCOMPARE(table->model()->index(0, share).data().toString(), QStringLiteral("50.0%"));  // of the 10 shown
        QVERIFY(control<QLabel>(&window, "totalsLabel")->text().startsWith(QStringLiteral("合计：5 个蜘蛛，请求数 10，")));
        QTemporaryDir out;
        QCOMPARE(window.exportCsv(out.path()), QString());
        const QByteArray agents = fileBytes(out.filePath(QStringLiteral("agents.csv")));
        QVERIFY(agents.contains("baiduspider") && !agents.contains("browser"));
        QVERIFY(!fileBytes(out.filePath(QStringLiteral("days.csv"))).contains("浏览器"));
    }

    void headerSortsLargestFirstAndColumnsFit()
    {
        OverviewWindow window;
        window.setFolder(site_.path());
        window.resize(1600, 700);
        window.show();
        auto *table = control<QTableView>(&window, "agentTable");
        table->setColumnWidth(0, 12);
        run(window);
        QVERIFY(table->columnWidth(0) >= table->fontMetrics().horizontalAdvance(QStringLiteral("百度蜘蛛")));
        QHeaderView *header = table->horizontalHeader();
        QVERIFY(!header->stretchLastSection());
        const auto click = [&](const char *name) {
            const int section = column(table, QString::fromUtf8(name));
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(section) + 4, header->height() / 2));
            return header->sortIndicatorOrder();
        };
        QCOMPARE(click("流量"), Qt::DescendingOrder);
        QCOMPARE(rowKeys(table).front(), QStringLiteral("googlebot"));
        QCOMPARE(click("流量"), Qt::AscendingOrder);
        QCOMPARE(click("蜘蛛"), Qt::AscendingOrder);  // names from A

        // A cell cut short shows its whole text as a tooltip.
        const int name = column(table, QStringLiteral("蜘蛛"));
        table->setColumnWidth(name, 12);
        const QRect cell = table->visualRect(table->model()->index(0, name));
        QHelpEvent help(QEvent::ToolTip, cell.center(), table->viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(table->viewport(), &help);
        QCOMPARE(QToolTip::text(), table->model()->index(0, name).data().toString());
    }

    void problemsInAFewLines()
    {
        OverviewResult result;
        for (int i = 0; i < 14; ++i)
            result.inputs.append(input(QStringLiteral("error.log.%1").arg(i), QStringLiteral("不是访问日志"), 0, 0));
        QCOMPARE(EmptyRunReason(result, true).left(13), QStringLiteral("没有一个文件读出了访问记录"));
        result.inputs += {input(QStringLiteral("a.log"), {}, 10, 3), input(QStringLiteral("b.log"), {}, 10, 4)};
        const QStringList summary = ProblemSummary(result);
        QCOMPARE(summary, (QStringList{"14 个文件已跳过：不是访问日志（error.log.0…）", "2 个文件有无效行，共 7 行（a.log…）"}));
        QCOMPARE(EmptyRunReason(result, true), QString());
        QCOMPARE(EmptyRunReason(OverviewResult(), false),
                 QStringLiteral("没有找到日志文件；IIS 的日志在 W3SVC 子目录中，请勾选“包含子目录”（命令行 --recursive）"));

        ProblemLine line;
        line.setProblems(summary, ProblemList(result));
        QVERIFY(line.text().contains(QStringLiteral("查看全部 16 条")));
        QWidget *list = line.openList();
        QCOMPARE(control<QPlainTextEdit>(list, "problemText")->toPlainText().count(u'\n'), 15);
    }

    void addressListsAndCacheFromTheWindow()
    {
        QHttpServer web;
        web.route("/good.json", [] {
            return QByteArray(R"({"creationTime": "2026-12-02T00:00:00", "prefixes": [{"ipv4Prefix": "66.249.79.0/27"}]})");
        });
        const quint16 port = web.listen(QHostAddress::LocalHost, 0);
        QVERIFY(port != 0);
        QSettings settings = OpenAppSettings();
        for (const AddressListSpec &list : VerificationRulesOf(LoadAgentCatalogue()).lists)  // nothing from outside
            settings.setValue(QStringLiteral("概览/地址列表网址/") + list.id,
                              QStringLiteral("http://127.0.0.1:%1/%2").arg(port).arg(list.id == "googlebot" ? "good.json" : "missing"));
        OverviewWindow window;
        QString shown;
        catchMessage(shown);
        QSignalSpy updated(window.findChild<VerificationTools *>(), &VerificationTools::listsUpdated);
        control<QPushButton>(&window, "updateLists")->click();
        QVERIFY(updated.wait(20000));
        QTRY_VERIFY(!shown.isEmpty());
        QVERIFY2(shown.startsWith(QStringLiteral("有的地址列表未能更新：\ngooglebot: 已更新 (2026-12-02T00:00:00)\n")), qPrintable(shown));
        QVERIFY(shown.contains(QStringLiteral("bingbot: 失败：HTTP 404，保留旧副本")));
        QVERIFY(LoadAddressLists(AddressListFolder(), {"googlebot"}).find(QStringLiteral("googlebot")));

        QVERIFY(QDir().mkpath(QFileInfo(VerificationCache::defaultPath()).path()));
        WriteFile(VerificationCache::defaultPath(), "{}");
        catchMessage(shown);
        control<QPushButton>(&window, "clearCache")->click();
        QCOMPARE(shown, QStringLiteral("DNS 缓存已清除，下次验证会重新查询。"));
        QVERIFY(!QFile::exists(VerificationCache::defaultPath()));
    }

    // Closing the window gives a list download up at once instead of waiting out its time-out.
    void closingStopsAnAddressListUpdate()
    {
        QTcpServer silent;  // takes the request, never answers
        QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
        QSettings settings = OpenAppSettings();
        for (const AddressListSpec &list : VerificationRulesOf(LoadAgentCatalogue()).lists)
            settings.setValue(QStringLiteral("概览/地址列表网址/") + list.id,
                              QStringLiteral("http://127.0.0.1:%1/%2").arg(silent.serverPort()).arg(list.id));
        auto window = std::make_unique<OverviewWindow>();
        control<QPushButton>(window.get(), "updateLists")->click();
        QVERIFY(silent.waitForNewConnection(10000));
        QElapsedTimer closing;
        closing.start();
        window.reset();
        QVERIFY2(closing.elapsed() < 10000, "the 30 s time-out was waited out");
    }

    void chartsSayWhatTheyAre()
    {
        // Forty days across a new year: the axis labels carry the year.
        AgentOverview agent;
        agent.id = QStringLiteral("baiduspider");
        agent.name = QStringLiteral("百度蜘蛛");
        for (QDate day(2014, 12, 10); day < QDate(2015, 1, 19); day = day.addDays(1))
            agent.days.insert(day, 1);
        OverviewResult result;
        result.sources = {QStringLiteral("/var/log/nginx")};
        result.days = agent.days;
        result.agents = {agent};
        const QString svg = DrawDayChart(result, {agent.id}, {860, 360}, ReportCaption(result, QDateTime(QDate(2026, 12, 8), QTime(12, 39, 43)))).svg;
        QVERIFY(svg.contains(QStringLiteral(">2014-12-10<")));
        QVERIFY(svg.contains(QStringLiteral(">/var/log/nginx · 2014-12-10 至 2015-01-18 · 生成于 2026年12月8日 12:39:43<")));
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
        QVERIFY(fileBytes(out.filePath(QStringLiteral("window.html")))
                    .contains((QDir::toNativeSeparators(site_.path()) + QStringLiteral(" · 2015-01-01 至 2015-01-03 · 生成于 ")).toUtf8()));

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
        const auto withoutTime = [&](const char *name) {  // made a moment apart
            return QString::fromUtf8(fileBytes(out.filePath(QLatin1String(name)))).remove(QRegularExpression(QStringLiteral("生成于 [^<]*")));
        };
        QCOMPARE(withoutTime("window.html"), withoutTime("cli.html"));
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
        const QImage image(out.filePath(QStringLiteral("每日请求.png")));
        QCOMPARE(image.size(), DrawDayChart(*window.result(), {"baiduspider", "googlebot"}).size.toSize());
        QVERIFY(!QImage(out.filePath(QStringLiteral("状态分布.png"))).isNull());
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
        control<QLineEdit>(details, "errorFilter")->setText(QStringLiteral("/a"));
        QCOMPARE(errors->model()->rowCount(), 0);
        QCOMPARE(control<ChartView>(details, "agentDayChart")->chart().series.size(), 1);

        pages->selectRow(0);
        control<QPushButton>(details, "copyRows")->click();
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral("页面\t请求数\t状态码\t最后访问\n/a.html\t2\t200, 304\t2015-01-02 10:00:00\n"));
        QVERIFY(!window.openDetails(QStringLiteral("nobody")));
    }

    // A right click on a row selects it; 复制 copies it, 查看详情 opens its crawler.
    void rowMenu_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::newRow("copy") << QStringLiteral("复制");
        QTest::newRow("details") << QStringLiteral("查看详情");
    }
    void rowMenu()
    {
        QFETCH(QString, choice);
        OverviewWindow window;
        window.setFolder(site_.path());
        window.show();
        run(window);
        auto *table = control<QTableView>(&window, "agentTable");
        const int row = int(rowKeys(table).indexOf(QStringLiteral("baiduspider")));
        QGuiApplication::clipboard()->clear();
        QStringList offered;
        QTimer::singleShot(0, &window, [&] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            for (QAction *action : menu->actions())
                offered.append(action->text());
            for (QAction *action : menu->actions())
                if (action->text() == choice)
                    action->trigger();
            menu->close();
        });
        emit table->customContextMenuRequested(table->visualRect(table->model()->index(row, 1)).center());
        QCOMPARE(offered, (QStringList{"复制", "复制全部", "查看详情"}));
        QCOMPARE(table->selectionModel()->selectedRows().size(), 1);
        if (choice == QStringLiteral("复制")) {
            const QStringList lines = QGuiApplication::clipboard()->text().split(u'\n', Qt::SkipEmptyParts);
            QCOMPARE(lines.size(), 2);  // the headers and the row
            QVERIFY(lines[1].startsWith(QStringLiteral("百度蜘蛛\t")));
        } else {
            QTRY_VERIFY(window.findChild<AgentDetails *>());
            QCOMPARE(window.findChild<AgentDetails *>()->windowTitle(), QStringLiteral("蜘蛛详情 - 百度蜘蛛"));
        }
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
            QCOMPARE(table->model()->index(0, column(table, "占比")).data().toString(), QStringLiteral("80.0%"));  // of the range
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
        QVERIFY(control<QLabel>(&window, "verificationHeadline")->isHidden());  // the name server sees crawlers
        // The fakes, most requests first: Baidu's name from Google's address, then the nameless ones.
        auto *fakes = control<QTableView>(&window, "fakeTable");
        QCOMPARE(fakes->model()->rowCount(), 4);
        fakes->selectRow(0);
        control<QPushButton>(&window, "copyFakes")->click();
        const QStringList copied = QGuiApplication::clipboard()->text().split(u'\n');
        QCOMPARE(copied[0], QStringLiteral("地址\t蜘蛛\tID\t请求数\t反向域名\t原因"));
        QVERIFY2(copied[1].startsWith(QStringLiteral("66.249.66.1\t百度蜘蛛\tbaiduspider\t4\tcrawl-66-249-66-1.googlebot.com\t")),
                 qPrintable(copied[1]));
    }

    // A name server that cannot see the internet: the window says so above
    // the table and the 验证 cell tells why. Error logs are skipped as such
    // and are no file of the run.
    void blindNameServerAndErrorLogs()
    {
        QTemporaryDir folder;
        writeSite(folder.path());
        WriteFile(folder.path() + QStringLiteral("/error.log"), "2015/01/03 10:00:00 [error] 7#7: *1 open() failed\n");
        WriteFile(folder.path() + QStringLiteral("/notes.log"), "nothing of a log here\n");
        TinyDnsServer blind;  // "no such name" to everything
        OpenAppSettings().setValue(QStringLiteral("概览/DNS服务器"), blind.address());
        QFile::remove(VerificationCache::defaultPath());
        OverviewWindow window;
        window.setFolder(folder.path());
        control<QCheckBox>(&window, "verifyCheck")->setChecked(true);
        run(window);

        QCOMPARE(control<QLabel>(&window, "statusLabel")->text(), QStringLiteral("完成：3 个文件，14 条记录"));
        const auto *headline = control<QLabel>(&window, "verificationHeadline");
        QVERIFY(!headline->isHidden());
        QVERIFY2(headline->text().contains(ResolverBlindText()), qPrintable(headline->text()));
        auto *table = control<QTableView>(&window, "agentTable");
        const int google = int(rowKeys(table).indexOf(QStringLiteral("googlebot")));
        QCOMPARE(table->model()->index(google, column(table, "验证")).data(Qt::ToolTipRole).toString(),
                 QStringLiteral("无法验证的原因：\n名称服务器无法解析已知的爬虫地址：2 次请求"));
        const QString problems = control<QLabel>(&window, "problemsLabel")->text();
        QVERIFY2(problems.contains(QStringLiteral("1 个文件已跳过：错误日志（error.log）")), qPrintable(problems));
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
