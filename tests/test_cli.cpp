#include "common/cp936.h"
#include "support/crawl_fixtures.h"
#include "support/fake_web_services.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QEventLoop>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

struct Result
{
    int status;
    QString out;
    QString err;
};

// Runs the command line; the event loop keeps turning meanwhile, so the
// fake web services of the test can answer it.
Result cli(const QStringList &arguments, const QByteArray &input = {})
{
    QProcess process;
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    process.start(QStringLiteral(TRAWLEX_BIN "/trawlex-cli"), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (process.state() != QProcess::NotRunning)
        loop.exec();
    if (process.exitStatus() != QProcess::NormalExit)
        return {-1, {}, {}};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

const QString kExample = QStringLiteral(TRAWLEX_TEST_DATA "/worked_example");

}  // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void workedExampleExactly()
    {
        QFile expected(kExample + QStringLiteral("/expected.txt"));
        QVERIFY(expected.open(QIODevice::ReadOnly));
        const QString report = QString::fromUtf8(expected.readAll());
        for (const QString &jobs : {QStringLiteral("1"), QStringLiteral("2")}) {
            const Result result = cli({"crawl", "--spider", "百度", "--jobs", jobs, kExample});
            QCOMPARE(result.status, 0);
            QCOMPARE(result.out, report);
            QCOMPARE(result.err, QString());
        }
    }

    void json()
    {
        const Result result = cli({"crawl", "--token", " spider ", "--json", kExample});
        QCOMPARE(result.status, 0);
        const QJsonObject document = QJsonDocument::fromJson(result.out.toUtf8()).object();
        QCOMPARE(document.value("spider").toString(), QStringLiteral("spider"));
        QCOMPARE(document.value("total_pages").toInt(), 3);  // the Googlebot line holds no "spider"
        QCOMPARE(document.value("pages").toArray().first().toString(), QStringLiteral("/a.htm"));
        const QJsonObject first = document.value("files").toArray().first().toObject();
        QCOMPARE(first.value("name").toString(), QStringLiteral("ex080501.log"));
        QCOMPARE(first.value("requests").toInt(), 3);
        QCOMPARE(first.value("pages").toInt(), 2);
        QCOMPARE(document.value("stopped"), QJsonValue(false));
    }

    // Small folders of what servers write, each with its expected report.
    void goldenFolders_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("status");
        const QStringList baidu{"--spider", "百度"};
        QTest::newRow("nginx default") << "nginx_default" << baidu << 0;
        QTest::newRow("Apache common") << "apache_common" << baidu << 0;
        QTest::newRow("panel's rotated names") << "panel_rotated" << baidu << 0;
        QTest::newRow("logrotate, compressed") << "logrotate" << baidu << 0;
        QTest::newRow("W3C, two #Fields blocks") << "w3c_two_blocks" << baidu << 0;
        QTest::newRow("W3C, tab-separated header") << "w3c_tab_header" << baidu << 0;
        QTest::newRow("W3SVC tree") << "w3svc_tree" << (baidu + QStringList{"--recursive"}) << 0;
        QTest::newRow("corrupt and truncated gzip") << "corrupt_gzip" << baidu << 1;
        QTest::newRow("a text file that is no log") << "not_a_log" << baidu << 0;
        QTest::newRow("W3C and nginx side by side") << "mixed" << QStringList{"--spider", "搜狗"} << 0;
    }
    void goldenFolders()
    {
        QFETCH(QString, folder);
        QFETCH(QStringList, options);
        QFETCH(int, status);
        const QString path = QStringLiteral(TRAWLEX_TEST_DATA "/logs/") + folder;
        QFile expected(path + QStringLiteral("/expected.txt"));
        QVERIFY(expected.open(QIODevice::ReadOnly));
        const QString report = QString::fromUtf8(expected.readAll());
        for (const QString &jobs : {QStringLiteral("1"), QStringLiteral("3")}) {
            const Result result = cli(QStringList{"crawl", "--jobs", jobs} + options + QStringList{path});
            QCOMPARE(result.out, report);
            QCOMPARE(result.status, status);
        }
    }

    void standardInputAndFiles()
    {
        QFile gzip(QStringLiteral(TRAWLEX_TEST_DATA "/logs/logrotate/access.log.2.gz"));
        QVERIFY(gzip.open(QIODevice::ReadOnly));
        const QString nginx = QStringLiteral(TRAWLEX_TEST_DATA "/logs/nginx_default/access.log");
        const Result result = cli({"crawl", "--spider", "百度", "-", nginx}, gzip.readAll());
        QCOMPARE(result.status, 0);
        QCOMPARE(result.out.split(u'\n').mid(1, 3),
                 (QStringList{"- - 搜索页面数：2 - 有效页面数：2", nginx + " - 搜索页面数：6 - 有效页面数：5",
                              nginx + " - 跳过无法识别的行：1"}));
    }

    void jsonTellsSkippedAndFailedFiles()
    {
        const Result result = cli({"crawl", "--spider", "百度", "--json", TRAWLEX_TEST_DATA "/logs/corrupt_gzip"});
        QCOMPARE(result.status, 1);
        const QJsonArray files = QJsonDocument::fromJson(result.out.toUtf8()).object().value("files").toArray();
        QCOMPARE(files.size(), 4);
        const QJsonObject corrupt = files.at(0).toObject();
        QCOMPARE(corrupt.value("format").toString(), QStringLiteral("ncsa"));
        QCOMPARE(corrupt.value("compression").toString(), QStringLiteral("gzip"));
        QCOMPARE(corrupt.value("requests").toInt(), 3);
        QCOMPARE(corrupt.value("error").toString(), QStringLiteral("文件已损坏（第 210 字节）"));
        QCOMPARE(files.at(2).toObject().value("skipped").toString(), QStringLiteral("不是可识别的日志格式"));
    }

    void customLayout()
    {
        QTemporaryDir dir;
        WriteFile(dir.filePath("site.log"), "h.example|1.2.3.4|GET /a?x HTTP/1.1|Baiduspider\n"
                                            "h.example|1.2.3.4|GET /A HTTP/1.1|Baiduspider\nnot this layout\n");
        const Result result = cli({"crawl", "--spider", "百度", "--log-format", "$host|$remote_addr|$request|$http_user_agent",
                                   dir.path()});
        QCOMPARE(result.status, 0);
        QCOMPARE(result.out.split(u'\n').at(1), QStringLiteral("site.log - 搜索页面数：2 - 有效页面数：2"));
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown crawler") << QStringList{"crawl", "--spider", "baidu", kExample} << QStringLiteral("baidu");
        QTest::newRow("short token") << QStringList{"crawl", "--token", "spid ", kExample}
                                     << QStringLiteral("蜘蛛种类错误！");
        QTest::newRow("missing folder") << QStringList{"crawl", "--spider", "百度", "/no/such"}
                                        << QStringLiteral("该目录不存在！");
        QTest::newRow("both choices") << QStringList{"crawl", "--spider", "百度", "--token", "spider", kExample}
                                      << QStringLiteral("--spider");
        QTest::newRow("bad jobs") << QStringList{"crawl", "--spider", "百度", "--jobs", "0", kExample}
                                  << QStringLiteral("--jobs");
        QTest::newRow("unknown option") << QStringList{"crawl", "--fast", kExample} << QStringLiteral("fast");
        QTest::newRow("unknown command") << QStringList{"crawlx"} << QStringLiteral("crawlx");
        QTest::newRow("unusable log format") << QStringList{"crawl", "--spider", "百度", "--log-format", "$a$b", kExample}
                                             << QStringLiteral("分隔文字");
    }
    void usageErrors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const Result result = cli(arguments);
        QCOMPARE(result.status, 2);
        QCOMPARE(result.out, QString());
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
    }

    void unreadableFileFailsTheRun()
    {
        QTemporaryDir dir;
        WriteFile(dir.filePath("a.log"), LogHeader() + LogLine("/a", "Baiduspider"));
        QVERIFY(QFile::link(dir.filePath("a.log"), dir.filePath("b.log")));
        QFile::setPermissions(dir.filePath("a.log"), {});
        const Result result = cli({"crawl", "--spider", "百度", dir.path()});
        if (result.out.contains(QStringLiteral("搜索页面数")))
            QSKIP("permissions do not bind this user (root)");
        QCOMPARE(result.status, 1);
        QVERIFY(result.out.contains(QStringLiteral("a.log - 无法读取：没有读取权限")));
        QVERIFY(result.out.endsWith(QStringLiteral("分析完成。\n")));
    }

    void ctrlCStopsTheRun()
    {
        // More report than a pipe holds: the program blocks writing until
        // the test reads, so Ctrl+C always comes while files remain.
        QTemporaryDir dir;
        const QString longName(120, u'x');
        for (int i = 0; i < 2000; ++i)
            WriteFile(dir.filePath(longName + QStringLiteral("%1.log").arg(i, 4, 10, QLatin1Char('0'))),
                      LogHeader() + LogLine("/p", "Baiduspider"));
        QProcess process;
        process.start(QStringLiteral(TRAWLEX_BIN "/trawlex-cli"), {"crawl", "--spider", "百度", dir.path()});
        QVERIFY(process.waitForReadyRead(10000));  // the header: the run, and its Ctrl+C handling, began
        QVERIFY(::kill(pid_t(process.processId()), SIGINT) == 0);
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 130);
        const QStringList lines = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n');
        QVERIFY(lines.size() < 2000);
        QCOMPARE(lines.mid(lines.size() - 2), (QStringList{"分析已停止。", ""}));
    }

    void helpEverywhere_data()
    {
        QTest::addColumn<QStringList>("arguments");
        for (const char *command : {"", "crawl", "index", "spiders", "overview", "verify"})
            for (const char *help : {"--help", "-h", "--help-all"}) {
                QStringList arguments{QString::fromLatin1(help)};
                if (*command)
                    arguments.prepend(QString::fromLatin1(command));
                QTest::addRow("%s %s", command, help) << arguments;
            }
    }
    void helpEverywhere()
    {
        QFETCH(QStringList, arguments);
        const Result result = cli(arguments);
        QCOMPARE(result.status, 0);
        QVERIFY2(result.out.contains(QStringLiteral("--")), qPrintable(result.out));
        if (!arguments.front().startsWith(u'-'))  // a command's help names it, not the program's path
            QVERIFY2(result.out.startsWith(QStringLiteral("Usage: trawlex-cli ") + arguments.front() + u' '),
                     qPrintable(result.out));
    }

    void indexReport()
    {
        FakeWebServices web;
        QTemporaryDir dir;
        const QString sites = dir.filePath(QStringLiteral("lv.txt"));
        WriteFile(sites, Cp936::encode(QStringLiteral("\r\nwww.lanxiu.c|澜岫|True\r\nnot.queried||False")));
        const QString base = web.base().toString();
        const Result result = cli({"index", "--sites", sites, "--services", "baidu,alexa", "--base", "baidu=" + base,
                                   "--base", "alexa=" + base});
        QCOMPARE(result.status, 0);
        QStringList lines = result.out.split(u'\n');
        QCOMPARE(lines.takeLast(), QString());
        QVERIFY2(QRegularExpression(QStringLiteral("^={6}澜岫软件分析结果\\[.+\\]={6}$")).match(lines.at(0)).hasMatch(),
                 qPrintable(lines.at(0)));
        QCOMPARE(lines.mid(1), (QStringList{"澜岫", "www.lanxiu.c   百度收录：      1234篇",
                                            "www.lanxiu.c   alexa排名：12345", QString(37, u'-')}));
        QCOMPARE(web.requests().size(), 2);
        QCOMPARE(web.requests().at(0).path, QStringLiteral("/s"));
        QVERIFY(QRegularExpression(QStringLiteral("^wd=site%3Awww\\.lanxiu\\.c&[0-9A-Z]{5}=$"))
                    .match(web.requests().at(0).query).hasMatch());
        QCOMPARE(web.requests().at(1).path, QStringLiteral("/siteinfo/www.lanxiu.c"));
        QCOMPARE(web.requests().at(1).query, QString());
    }

    void indexAllServices()
    {
        FakeWebServices web;
        QTemporaryDir dir;
        const QString sites = dir.filePath(QStringLiteral("lv.txt"));
        WriteFile(sites, "\r\na.cn||True");
        QStringList arguments{"index", "--sites", sites, "--services", "all"};
        for (const char *key : {"baidu", "google", "sogou", "yahoo", "msn", "soso", "youdao", "sogourank",
                                "chinarank", "alexa"})
            arguments << "--base" << QString::fromLatin1(key) + u'=' + web.base().toString();
        const Result result = cli(arguments);
        QCOMPARE(result.status, 0);
        const QStringList lines = result.out.split(u'\n').mid(1, 10);
        QCOMPARE(lines, (QStringList{"a.cn   百度收录：      1234篇", "a.cn   谷歌收录：      1230篇",
                                     "a.cn   搜狗收录：      4567篇", "a.cn   雅虎收录：        56篇",
                                     "a.cn    MSN收录：      2345篇", "a.cn   搜搜收录：      3456篇",
                                     "a.cn   有道收录：   3万4567篇", "a.cn   搜狗排行：5",
                                     "a.cn   中国网站排名：123", "a.cn   alexa排名：12345"}));
    }

    // A failed query shows as 查询失败 (never 0), the whole report is
    // printed, and the status says something failed.
    void indexFailuresAndJson()
    {
        FakeWebServices web;
        QTcpServer probe;  // a port nobody listens on
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const QString closed = QStringLiteral("http://127.0.0.1:%1").arg(probe.serverPort());
        probe.close();
        QTemporaryDir dir;
        const QString sites = dir.filePath(QStringLiteral("lv.txt"));
        WriteFile(sites, "\r\na.cn|A|True");
        const QStringList arguments{"index", "--sites", sites, "--services", "baidu,msn", "--base",
                                    "baidu=" + web.base().toString(), "--base", "msn=" + closed};
        const Result report = cli(arguments);
        QCOMPARE(report.status, 1);
        QCOMPARE(report.out.split(u'\n').mid(1),
                 (QStringList{"A", "a.cn   百度收录：      1234篇", "a.cn    MSN收录：  查询失败", QString(29, u'-'), ""}));

        const Result json = cli(arguments + QStringList{"--json"});
        QCOMPARE(json.status, 1);
        const QJsonArray siteArray = QJsonDocument::fromJson(json.out.toUtf8()).object().value("sites").toArray();
        QCOMPARE(siteArray.size(), 1);
        const QJsonObject site = siteArray.at(0).toObject();
        QCOMPARE(site.value("url").toString(), QStringLiteral("a.cn"));
        QCOMPARE(site.value("name").toString(), QStringLiteral("A"));
        const QJsonArray results = site.value("results").toArray();
        QCOMPARE(results.at(0).toObject(), (QJsonObject{{"service", "baidu"}, {"value", 1234}, {"reason", QJsonValue()}}));
        QCOMPARE(results.at(1).toObject().value("service").toString(), QStringLiteral("msn"));
        QVERIFY(results.at(1).toObject().value("value").isNull());
        QVERIFY(!results.at(1).toObject().value("reason").toString().isEmpty());
    }

    // A user's definitions: listed with their file, tried one query at a
    // time, used by index (with every page kept); a faulty file is refused.
    void userServices()
    {
        FakeWebServices web;
        const QString definitions = QStringLiteral(TRAWLEX_TEST_DATA "/user_services.json");
        const Result listed = cli({"services", "--services-file", definitions});
        QCOMPARE(listed.status, 0);
        QCOMPARE(listed.out.count(u'\n'), 12);
        QVERIFY(listed.out.contains(QStringLiteral("baidu\t百度收录\tcount\thttp\t内置")));
        QVERIFY(listed.out.contains(QStringLiteral("marker\t标记\tcount\thttp\t") + definitions + u'\n'));

        const Result tried = cli({"services", "--services-file", definitions, "--test", "marker", "--site", "a.cn",
                                  "--base", "marker=" + web.base().toString()});
        QCOMPARE(tried.status, 0);
        for (const QString &line : {QStringLiteral("/s?wd=site%3Aa.cn&"), QStringLiteral("status: 200"),
                                    QStringLiteral("cut: 「1,234」"), QStringLiteral("value: 1234")})
            QVERIFY2(tried.out.contains(line), qPrintable(tried.out));

        QTemporaryDir dir;
        const QString sites = dir.filePath(QStringLiteral("lv.txt"));
        WriteFile(sites, "\r\na.cn||True");
        const Result indexed = cli({"index", "--sites", sites, "--services-file", definitions, "--services", "units",
                                    "--base", "units=" + web.base().toString(), "--save-pages", dir.filePath("pages")});
        QCOMPARE(indexed.status, 0);
        QCOMPARE(indexed.out.split(u'\n').at(1), QStringLiteral("a.cn   万字收录：   3万4567篇"));
        QFile page(dir.filePath(QStringLiteral("pages/units_a.cn.html")));
        QVERIFY(page.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(page.readAll()).contains(QStringLiteral("搜索到结果<b>3万4567</b>条")));
        WriteFile(dir.filePath("file"), "x");  // a folder that cannot be made fails the run, exit 1
        QCOMPARE(cli({"index", "--sites", sites, "--services-file", definitions, "--services", "units", "--save-pages",
                      dir.filePath("file/pages")})
                     .status,
                 1);

        WriteFile(dir.filePath("bad.json"), "{\"services\": [\n{]}");
        const Result refused = cli({"index", "--sites", sites, "--services-file", dir.filePath("bad.json")});
        QCOMPARE(refused.status, 2);
        QVERIFY2(refused.err.contains(QStringLiteral("第 2 行")), qPrintable(refused.err));
    }

    void indexUsageErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("unknown service") << QStringList{"index", "--services", "baidu,bing"};
        QTest::newRow("bad base") << QStringList{"index", "--base", "baidu=ftp://x"};
        QTest::newRow("base with a path") << QStringList{"index", "--base", "baidu=http://x/path"};
        QTest::newRow("missing site file") << QStringList{"index", "--sites", "/no/such/lv.txt"};
    }
    void indexUsageErrors()
    {
        QFETCH(QStringList, arguments);
        QCOMPARE(cli(arguments).status, 2);
    }

    void spidersAndVersion()
    {
        const Result spiders = cli({"spiders"});
        QCOMPARE(spiders.status, 0);
        QCOMPARE(spiders.out.count(u'\n'), 12);
        QVERIFY(spiders.out.startsWith(QStringLiteral("百度\tBaiDuSpider\n")));
        QCOMPARE(cli({"--version"}).out, QStringLiteral("蛛迹通 1.6.1025\n"));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
