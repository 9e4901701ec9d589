#include "indexing/extraction.h"
#include "indexing/net/http_page_fetcher.h"
#include "indexing/service_catalogue.h"
#include "support/fake_web_services.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QTcpServer>
#include <QTest>

namespace {

// A result page's text as the run reads it; empty on any failure.
QString download(const QString &url, bool utf8, const DownloadLimits &limits = {})
{
    QNetworkAccessManager network;
    return FetchResultPage(network, url, utf8, limits).text;
}

qint64 cut(const char *routine, const QString &page)
{
    return FindBuiltinExtractor(QString::fromLatin1(routine))(page).value_or(0);
}

}  // namespace

class TestHttpFetcher : public QObject
{
    Q_OBJECT

private slots:
    void decodesAsTheServiceWrites()
    {
        FakeWebServices web;
        QCOMPARE(cut("baidu", download(web.url("/s?wd=site%3Aa.cn&AB12C="), false)), FakeWebServices::kBaidu);
        QCOMPARE(cut("yahoo", download(web.url("/search?p=site%3Aa.cn"), true)), FakeWebServices::kYahoo);
        // The wrong encoding garbles the markers.
        QCOMPARE(cut("yahoo", download(web.url("/gbk-as-utf8"), true)), 0);
        QCOMPARE(cut("baidu", download(web.url("/to-baidu"), false)), FakeWebServices::kBaidu);
    }

    void cleansThePage()
    {
        FakeWebServices web;
        QCOMPARE(download(web.url("/raw"), true),
                 QStringLiteral("abcd <meta charset=GB2312> charset=\"GB2312\""));
        QCOMPARE(download(web.url("/empty"), true), QString());
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
        QCOMPARE(download(web.url(path), true), QString());
    }

    void aServerThatNeverAnswersTimesOut()
    {
        FakeWebServices web;
        QElapsedTimer clock;
        clock.start();
        DownloadLimits limits;
        limits.timeoutMs = 300;
        QCOMPARE(download(web.url("/never"), false, limits), QString());
        QVERIFY(clock.elapsed() < 5000);
    }

    void nobodyListening()
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const quint16 port = probe.serverPort();
        probe.close();
        QCOMPARE(download(QStringLiteral("http://127.0.0.1:%1/s").arg(port), false), QString());
        QCOMPARE(download(QStringLiteral("file:///etc/passwd"), false), QString());
    }

    // Every typed character reaches the service as typed, in a query and in
    // a path; nothing is dropped on the way.
    void addressesArriveAsTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("sent");
        QTest::newRow("percent sign") << "a.cn/%41" << "a.cn/%2541";
        QTest::newRow("quotes, brackets, braces") << "a.cn/\"<>{}\\^|`" << "a.cn/%22%3C%3E%7B%7D%5C%5E%7C%60";
        QTest::newRow("space and hash") << "a.cn/x y#z" << "a.cn/x%20y%23z";
        QTest::newRow("query keys of its own") << "a.cn/?p=1&q=a+b" << "a.cn/%3Fp%3D1%26q%3Da%2Bb";
        QTest::newRow("scheme and port") << "http://a.cn:8080/" << "http://a.cn:8080/";
        QTest::newRow("Chinese") << "中文.中国" << "%E4%B8%AD%E6%96%87.%E4%B8%AD%E5%9B%BD";
    }
    void addressesArriveAsTyped()
    {
        QFETCH(QString, typed);
        QFETCH(QString, sent);
        FakeWebServices web;
        const QString nonce = QStringLiteral("&AB12C=");
        QCOMPARE(ServiceQueryUrl(*FindIndexingService("baidu"), web.base(), typed, nonce),
                 web.url("/s?wd=site%3A" + sent + nonce));
        QCOMPARE(cut("baidu", download(ServiceQueryUrl(*FindIndexingService("baidu"), web.base(), typed, nonce), false)),
                 FakeWebServices::kBaidu);
        QCOMPARE(cut("alexa", download(ServiceQueryUrl(*FindIndexingService("alexa"), web.base(), typed, nonce), true)),
                 FakeWebServices::kAlexa);
        QCOMPARE(web.requests().size(), 2);
        QCOMPARE(web.requests().at(0).query, "wd=site%3A" + sent + nonce);
        QCOMPARE(QUrl::fromPercentEncoding(web.requests().at(1).path.toUtf8()), "/siteinfo/" + typed);
    }

    void aHugeBodyIsCut()
    {
        FakeWebServices web;
        const QString page = download(web.url("/big"), true);
        QCOMPARE(page.size(), 8 << 20);
    }
};

QTEST_GUILESS_MAIN(TestHttpFetcher)
#include "test_http_fetcher.moc"
