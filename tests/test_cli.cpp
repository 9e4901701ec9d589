#include "support/crawl_fixtures.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Result
{
    int status;
    QString out;
    QString err;
};

Result cli(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(TRAWLEX_BIN "/trawlex-cli"), arguments);
    if (!process.waitForFinished(60000))
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

    void spidersAndVersion()
    {
        const Result spiders = cli({"spiders"});
        QCOMPARE(spiders.status, 0);
        QCOMPARE(spiders.out.count(u'\n'), 12);
        QVERIFY(spiders.out.startsWith(QStringLiteral("百度\tBaiDuSpider\n")));
        QCOMPARE(cli({"--version"}).out, QStringLiteral("蛛迹通 1.6.1025\n"));
        QCOMPARE(cli({"crawl", "--help"}).status, 0);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
