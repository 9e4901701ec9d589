#include "indexing/extraction.h"
#include "indexing/net/http_page_fetcher.h"
#include "support/fake_web_services.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTest>

class TestHttpFetcher : public QObject
{
    Q_OBJECT

private slots:
    void decodesAsTheServiceWrites()
    {
        FakeWebServices web;
        QCOMPARE(找出百度收录篇数(INET下载投注网页(web.url("/s?wd=site%3Aa.cn&AB12C="), false)), FakeWebServices::kBaidu);
        QCOMPARE(找出中文雅虎收录篇数(INET下载投注网页(web.url("/search?p=site%3Aa.cn"), true)), FakeWebServices::kYahoo);
        // The wrong encoding garbles the markers.
        QCOMPARE(找出中文雅虎收录篇数(INET下载投注网页(web.url("/gbk-as-utf8"), true)), 0);
        QCOMPARE(找出百度收录篇数(INET下载投注网页(web.url("/to-baidu"), false)), FakeWebServices::kBaidu);
    }

    void cleansThePage()
    {
        FakeWebServices web;
        QCOMPARE(INET下载投注网页(web.url("/raw"), true),
                 QStringLiteral("abcd <meta charset=GB2312> charset=\"GB2312\""));
        QCOMPARE(INET下载投注网页(web.url("/empty"), true), QString());
        QCOMPARE(Utf8BytesToString("a\xFF" "b"), QStringLiteral("a\uFFFDb"));
    }

    void failuresGiveEmptyText_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("not found") << QStringLiteral("/nothing-here");
        QTest::newRow("redirect loop") << QStringLiteral("/loop");
        QTest::newRow("redirect to file:") << QStringLiteral("/to-file");
    }
    void failuresGiveEmptyText()
    {
        QFETCH(QString, path);
        FakeWebServices web;
        QCOMPARE(INET下载投注网页(web.url(path), true), QString());
    }

    void aServerThatNeverAnswersTimesOut()
    {
        FakeWebServices web;
        QElapsedTimer clock;
        clock.start();
        DownloadLimits limits;
        limits.timeoutMs = 300;
        QCOMPARE(INET下载投注网页(web.url("/never"), false, limits), QString());
        QVERIFY(clock.elapsed() < 5000);
    }

    void nobodyListening()
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const quint16 port = probe.serverPort();
        probe.close();
        QCOMPARE(INET下载投注网页(QStringLiteral("http://127.0.0.1:%1/s").arg(port), false), QString());
        QCOMPARE(INET下载投注网页(QStringLiteral("file:///etc/passwd"), false), QString());
    }

    void aHugeBodyIsCut()
    {
        FakeWebServices web;
        const QString page = INET下载投注网页(web.url("/big"), true);
        QCOMPARE(page.size(), 8 << 20);
    }
};

QTEST_GUILESS_MAIN(TestHttpFetcher)
#include "test_http_fetcher.moc"
