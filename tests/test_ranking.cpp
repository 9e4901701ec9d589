#include "common/cp936.h"
#include "indexing/service_catalogue.h"
#include "ranking/keyword_file.h"
#include "ranking/rank_table.h"
#include "support/crawl_fixtures.h"
#include "support/fake_search_engine.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>

namespace {

const QString kSite = QStringLiteral("www.example.com");

QStringList results(const char *first, std::initializer_list<const char *> more = {})
{
    QStringList urls{QString::fromUtf8(first)};
    for (const char *url : more)
        urls.append(QString::fromUtf8(url));
    return urls;
}

// The pages of every case, each keyword a case (3 results a page on "fake").
void servePages(FakeSearchEngine &engine)
{
    auto fake = [&](const char *keyword, int page, const QByteArray &html, int status = 200) {
        engine.serve(QStringLiteral("/s?q=%1&pn=%2").arg(QLatin1String(keyword)).arg((page - 1) * 3), html, status);
    };
    const auto page = &FakeSearchEngine::resultPage;
    fake("page1", 1, page(results("https://a.com/", {"http://b.com/", "https://www.example.com/x"})));
    fake("page3", 1, page(results("https://a.com/", {"https://b.com/", "https://c.com/"})));
    fake("page3", 2, page(results("https://d.com/", {"https://e.com/", "https://f.com/"})));
    fake("page3", 3, page(results("https://g.com/", {"https://Example.com/y", "https://h.com/"})));
    fake("absent", 1, page(results("https://a.com/", {"https://b.com/", "https://c.com/"})));
    fake("absent", 2, page(results("https://d.com/", {"https://e.com/", "https://f.com/"})));
    fake("absent", 3, page(results("https://g.com/", {"https://h.com/", "https://example.com/ninth"})));
    fake("ads", 1, page(results("https://ad.example.com/", {"http://ad.x.com/", "https://a.com/", "https://example.com/"})));
    fake("sub", 1, page(results("https://a.com/", {"https://blog.example.com/", "https://www.example.com/"})));
    fake("captcha", 1, "<html><p>请完成安全验证</p></html>");
    fake("changed", 1, "<html><p>新版页面</p></html>");
    fake("error", 1, "<html>oops</html>", 500);
    fake("ranout", 1, page(results("https://a.com/", {"https://b.com/", "https://c.com/"})));
    engine.serve(QStringLiteral("/cite?q=page1&page=1"), "<cite>a.com</cite>");
    engine.serve(QStringLiteral("/cite?q=error&page=1"), "<cite>b.com</cite>");
    engine.serve(QStringLiteral("/cite?q=display&page=1"),
                 "<cite>a.com &#8250; x</cite><cite>www.<b>example</b>.com &#8250; a &#8250; b</cite>");
    engine.serve(QStringLiteral("/gbk?wd=%D6%D0%CE%C4&p=1"),
                 Cp936::encode(QStringLiteral("<html><meta charset=gb2312><p>中文结果</p>"))
                     + FakeSearchEngine::resultPage(results("https://a.com/", {"https://example.com/中文"})));
}

QList<SerpService> engines(const FakeSearchEngine &engine)
{
    const ServiceDefinitions definitions = ParseServiceDefinitions(FakeSearchEngine::definitions(engine.base()), "test");
    if (!definitions.fault.isEmpty())
        qFatal("%s", qPrintable(definitions.fault));
    return definitions.serp;
}

RankRequest request(const SerpService &engine, const QStringList &keywords, int depth = 8)
{
    RankRequest request;
    request.site = kSite;
    request.keywords = keywords;
    request.engines = {engine};
    request.depth = depth;
    request.delaySeconds = 0;
    return request;
}

struct Cli
{
    int status;
    QString out;
    QString err;
};

// The command line, with this thread's event loop turning so that the fake
// engine can answer; `whileRunning` acts once, as soon as `ready` says so.
Cli cli(const QStringList &arguments, const std::function<bool()> &ready = {},
        const std::function<void(QProcess &)> &whileRunning = {})
{
    QProcess process;
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        if (whileRunning && ready()) {
            watch.stop();
            whileRunning(process);
        }
    });
    watch.start(20);
    process.start(QStringLiteral(TRAWLEX_BIN "/trawlex-cli"), arguments);
    if (process.waitForStarted())
        loop.exec();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace

class TestRanking : public QObject
{
    Q_OBJECT

private slots:
    // Whole runs against the fake engine: the report names the rank, "8名以外"
    // or "查询失败" with its reason.
    void ranksFromPages_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QStringList>("keywords");
        QTest::addColumn<bool>("subdomains");
        QTest::addColumn<QStringList>("report");
        QTest::newRow("fake engine") << "fake"
                                     << QStringList{"page1", "page3", "absent", "ads", "sub", "ranout", "captcha",
                                                    "changed", "error"}
                                     << false
                                     << QStringList{"关键词   假", "page1    3", "page3    8", "absent   8名以外",
                                                    "ads      2", "sub      3", "ranout   8名以外", "captcha  查询失败",
                                                    "changed  查询失败", "error    查询失败",
                                                    "查询失败：captcha / 假搜索：第 1 页：验证码页面（含“安全验证”）",
                                                    "查询失败：changed / 假搜索：第 1 页：截不到任何结果，页面可能已改版（用 "
                                                    "services --test 查看）",
                                                    "查询失败：error / 假搜索：第 1 页：HTTP 500"};
        QTest::newRow("含子域名") << "fake" << QStringList{"sub"} << true << QStringList{"关键词  假", "sub     2"};
        QTest::newRow("display address") << "cite" << QStringList{"display"} << false
                                         << QStringList{"关键词   显示", "display  2"};
        QTest::newRow("GB18030 engine") << "gbk" << QStringList{"中文"} << false
                                        << QStringList{"关键词  国标", "中文    2"};
    }
    void ranksFromPages()
    {
        QFETCH(QString, engine);
        QFETCH(QStringList, keywords);
        QFETCH(bool, subdomains);
        QFETCH(QStringList, report);
        FakeSearchEngine web;
        servePages(web);
        RankRequest asked = request(*FindSerpService(engine, engines(web)), keywords);
        asked.subdomains = subdomains;
        StopFlag stop;
        const RankResults ranks = RunRanking(asked, {}, stop);
        QStringList lines = RankReportText(ranks).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.takeLast(), QString());
        QCOMPARE(lines, report);
        QVERIFY(!ranks.stopped);
        // No page past the depth was asked for; the found result's URL is kept.
        QVERIFY(!web.requests().contains(QStringLiteral("/s?q=absent&pn=9")));
        if (keywords.front() == QLatin1String("display"))
            QCOMPARE(ranks.cells[0][0].url, QStringLiteral("www.example.com › a › b"));
    }

    // A pause (between two queries to one engine) of the delay varied by up
    // to half; a stop in it ends the run with what had answered.
    void pausesAndStop()
    {
        FakeSearchEngine web;
        servePages(web);
        RankRequest asked = request(engines(web).front(), {"page1", "page3", "absent"});
        asked.delaySeconds = 2;
        QList<double> draws{0.0, 0.75};
        QList<int> pauses;
        RankEnvironment environment;
        environment.random = [&draws] { return draws.takeFirst(); };
        StopFlag stop;
        environment.pause = [&](int ms, const StopFlag &) {
            pauses.append(ms);
            if (pauses.size() == 2)
                stop.request();
            return !stop.isSet();
        };
        const RankResults ranks = RunRanking(asked, environment, stop);
        QCOMPARE(pauses, (QList<int>{1000, 2500}));
        QVERIFY(ranks.stopped);
        QCOMPARE(ranks.cells[2][0].state, RankCell::State::Unasked);
        QVERIFY(RankReportText(ranks).endsWith(QStringLiteral("absent\r\n分析已停止。\r\n")));
        const QJsonObject json = QJsonDocument::fromJson(RankResultsJson(ranks)).object();
        QCOMPARE(json.value("stopped"), QJsonValue(true));
        QCOMPARE(json.value("results").toArray().size(), 2);
    }

    // A time-out fails the query; the other engine goes on meanwhile.
    void timeOutWhileOthersGoOn()
    {
        FakeSearchEngine web;
        web.neverAnswer(QStringLiteral("/s?q=slow&pn=0"));
        web.serve(QStringLiteral("/cite?q=slow&page=1"), "<cite>www.example.com</cite>");
        RankRequest asked = request(engines(web).front(), {"slow"});
        asked.engines.append(engines(web).at(1));
        RankEnvironment environment;
        environment.limits.timeoutMs = 300;
        StopFlag stop;
        QList<int> order;
        const RankResults ranks = RunRanking(asked, environment, stop,
                                             [&](int, int engine, const RankAnswer &) { order.append(engine); });
        QCOMPARE(order, (QList<int>{1, 0}));
        QCOMPARE(ranks.cells[0][1].rank, 1);
        QCOMPARE(ranks.cells[0][0].state, RankCell::State::Failed);
        QVERIFY2(ranks.cells[0][0].failure.contains(QStringLiteral("超时")), qPrintable(ranks.cells[0][0].failure));
    }

    void changeSinceTheRunBefore_data()
    {
        QTest::addColumn<int>("before");  // a rank; 0: not among the results read; -1: failed
        QTest::addColumn<int>("now");
        QTest::addColumn<QString>("change");
        QTest::newRow("higher") << 5 << 2 << "↑3";
        QTest::newRow("lower") << 2 << 4 << "↓2";
        QTest::newRow("same") << 7 << 7 << "持平";
        QTest::newRow("entered") << 0 << 9 << "新进";
        QTest::newRow("dropped out") << 9 << 0 << "跌出";
        QTest::newRow("never ranked") << 0 << 0 << "";
        QTest::newRow("failed before") << -1 << 3 << "";
        QTest::newRow("failed now") << 3 << -1 << "";
    }

    void changeSinceTheRunBefore()
    {
        QFETCH(int, before);
        QFETCH(int, now);
        QFETCH(QString, change);
        const auto cell = [](int rank) {
            RankCell cell;
            cell.state = rank > 0 ? RankCell::State::Found : rank == 0 ? RankCell::State::NotFound : RankCell::State::Failed;
            cell.rank = std::max(rank, 0);
            return cell;
        };
        QCOMPARE(RankChangeText(cell(before), cell(now)), change);
    }

    void hostRule_data()
    {
        QTest::addColumn<QString>("captured");
        QTest::addColumn<bool>("subdomains");
        QTest::addColumn<bool>("onSite");  // of www.example.com
        QTest::newRow("scheme, letter case") << "HTTPS://WWW.EXAMPLE.COM/a?b" << false << true;
        QTest::newRow("no www") << "example.com/a" << false << true;
        QTest::newRow("display with ›") << "example.com › a › b" << false << true;
        QTest::newRow("port") << "http://example.com:8080/" << false << true;
        QTest::newRow("protocol-relative") << "//www.example.com/x" << false << true;
        QTest::newRow("subdomain without") << "https://blog.example.com/" << false << false;
        QTest::newRow("subdomain with") << "https://blog.example.com/" << true << true;
        QTest::newRow("a longer name is no subdomain") << "https://notexample.com/" << true << false;
        QTest::newRow("the site in a path") << "https://a.com/www.example.com" << true << false;
    }
    void hostRule()
    {
        QFETCH(QString, captured);
        QFETCH(bool, subdomains);
        QFETCH(bool, onSite);
        QCOMPARE(SiteMatcher(QStringLiteral("https://www.example.com/"), subdomains).matches(captured), onSite);
    }

    void keywordFileRoundTrip()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("gjc.txt"));
        WriteFile(path, "\xEF\xBB\xBF  网站优化 \r\n\r\nseo\nseo\r\n蛛迹通");
        QCOMPARE(LoadKeywordFile(path), (QStringList{"网站优化", "seo", "蛛迹通"}));
        QCOMPARE(SaveKeywordFile({"a", "关键词"}, path), QString());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("a\r\n关键词"));
        QVERIFY(!SaveKeywordFile({"a"}, dir.filePath(QStringLiteral("gjc.txt/in-a-file"))).isEmpty());
    }

    // The command line: text, JSON and CSV from the same run; usage errors.
    void rankCommand()
    {
        FakeSearchEngine web;
        servePages(web);
        QTemporaryDir dir;
        const QString services = dir.filePath(QStringLiteral("services.json"));
        const QString keywords = dir.filePath(QStringLiteral("gjc.txt"));
        WriteFile(services, FakeSearchEngine::definitions(web.base()));
        WriteFile(keywords, "page1\r\nerror");
        const QStringList arguments{"rank", "--site", kSite, "--keywords", keywords, "--services-file", services,
                                    "--services", "fake,cite", "--depth", "8", "--delay", "0"};
        const Cli text = cli(arguments);
        QCOMPARE(text.status, 1);
        QCOMPARE(text.out.split(u'\n').mid(0, 3),
                 (QStringList{"关键词  假        显示", "page1   3         8名以外", "error   查询失败  8名以外"}));

        const Cli json = cli(arguments + QStringList{"--json"});
        QCOMPARE(json.status, 1);
        const QJsonObject document = QJsonDocument::fromJson(json.out.toUtf8()).object();
        QCOMPARE(document.value("site").toString(), kSite);
        QCOMPARE(document.value("depth").toInt(), 8);
        QCOMPARE(document.value("subdomains"), QJsonValue(false));
        QCOMPARE(document.value("stopped"), QJsonValue(false));
        const QJsonArray entries = document.value("results").toArray();
        QCOMPARE(entries.size(), 4);
        QCOMPARE(entries.at(0).toObject(), (QJsonObject{{"keyword", "page1"}, {"engine", "fake"}, {"rank", 3},
                                                        {"url", "https://www.example.com/x"}, {"error", QJsonValue()}}));
        QCOMPARE(entries.at(1).toObject().value("rank"), QJsonValue());
        QCOMPARE(entries.at(2).toObject().value("error").toString(), QStringLiteral("第 1 页：HTTP 500"));

        const QString csvPath = dir.filePath(QStringLiteral("ranks.csv"));
        QCOMPARE(cli(arguments + QStringList{"--csv", csvPath}).status, 1);
        QFile csv(csvPath);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll(), "\xEF\xBB\xBF" + QStringLiteral("关键词,假,显示\r\npage1,3,8名以外\r\nerror,查询失败,8名以外\r\n").toUtf8());

        // Kept in a site's store, the next run lists the change; the failed
        // query has none.
        const QStringList kept = arguments + QStringList{"--store", dir.filePath(QStringLiteral("site.sqlite")), "--json"};
        QCOMPARE(cli(kept).status, 1);
        const QJsonArray again = QJsonDocument::fromJson(cli(kept).out.toUtf8()).object().value("results").toArray();
        QCOMPARE(again.at(0).toObject().value("change").toString(), QStringLiteral("持平"));
        QCOMPARE(again.at(2).toObject().value("change"), QJsonValue());

        for (const QStringList &wrong : {QStringList{"--depth", "0"}, QStringList{"--depth", "101"},
                                         QStringList{"--services", "nosuch"}, QStringList{"--json", "--csv", csvPath},
                                         QStringList{"--site", ""}, QStringList{"--store", ""}})
            QCOMPARE(cli(arguments + wrong).status, 2);
    }

    // Ctrl+C in a pause: the partial results, "stopped": true, status 130.
    void rankCommandStopped()
    {
        FakeSearchEngine web;
        servePages(web);
        QTemporaryDir dir;
        const QString services = dir.filePath(QStringLiteral("services.json"));
        const QString keywords = dir.filePath(QStringLiteral("gjc.txt"));
        WriteFile(services, FakeSearchEngine::definitions(web.base()));
        WriteFile(keywords, "page1\r\npage3");
        const Cli stopped = cli({"rank", "--site", kSite, "--keywords", keywords, "--services-file", services,
                                 "--services", "fake", "--delay", "60", "--json", "--save-pages", dir.path()},
                                [&] { return QFileInfo::exists(dir.filePath("fake_page1_p1.html")); },
                                [](QProcess &process) { ::kill(pid_t(process.processId()), SIGINT); });
        QCOMPARE(stopped.status, 130);
        const QJsonObject document = QJsonDocument::fromJson(stopped.out.toUtf8()).object();
        QCOMPARE(document.value("stopped"), QJsonValue(true));
        QCOMPARE(document.value("results").toArray().size(), 1);
    }

    void servicesTest()
    {
        FakeSearchEngine web;
        servePages(web);
        QTemporaryDir dir;
        const QString services = dir.filePath(QStringLiteral("services.json"));
        WriteFile(services, FakeSearchEngine::definitions(web.base()));
        const Cli found = cli({"services", "--services-file", services, "--test", "fake", "--keyword", "page3",
                               "--site", kSite});
        QCOMPARE(found.status, 0);
        for (const QString &part : {QString(web.base().toString() + QStringLiteral("/s?q=page3&pn=6")),
                                    QStringLiteral("HTTP 状态 / status: 200"), QStringLiteral("https://Example.com/y"),
                                    QStringLiteral("排名 / rank: 8（https://Example.com/y）")})
            QVERIFY2(found.out.contains(part), qPrintable(found.out));
        const Cli blocked = cli({"services", "--services-file", services, "--test", "fake", "--keyword", "captcha",
                                 "--site", kSite});
        QCOMPARE(blocked.status, 1);
        QVERIFY2(blocked.out.contains(QStringLiteral("验证码")), qPrintable(blocked.out));
        const Cli listed = cli({"services", "--services-file", services});
        QVERIFY2(listed.out.contains(QStringLiteral("fake\t假搜索\tserp\thttp\t") + services), qPrintable(listed.out));
    }
};

QTEST_GUILESS_MAIN(TestRanking)
#include "test_ranking.moc"
