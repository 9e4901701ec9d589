#include "common/stop_flag.h"
#include "crawl_log/log_scanner.h"
#include "crawl_log/w3c_log_reader.h"
#include "support/crawl_fixtures.h"
#include "support/reference_log_reader.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QList<qsizetype> kBlockSizes = {1, 2, 7, 64, 256 * 1024};

QStringList scanHits(const QByteArray &file, qint32 fieldIndex, const QString &token, const ScanLimits &limits,
                     const StopFlag *stop = nullptr, qint64 *skipped = nullptr)
{
    MemoryByteSource source(file, 5);  // short reads as well as small blocks
    QStringList hits{QString()};
    const HitScan scan = ScanHitLines(
        source, fieldIndex, CrawlerToken(token), stop,
        [&](QByteArrayView value, TextEncoding encoding) { hits.append(DecodeLogText(value, encoding)); }, limits);
    if (skipped)
        *skipped = scan.skippedLongLines;
    return hits;
}

qint32 fieldIndex(const QByteArray &file, const ScanLimits &limits)
{
    MemoryByteSource source(file, 3);
    return FindFieldIndex(source, u"cs-uri-stem", limits).fieldIndex;
}

}  // namespace

class TestLogReader : public QObject
{
    Q_OBJECT

private slots:
    void directive_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("expected");
        QTest::newRow("IIS 6 fields") << QByteArray("#Fields: date time c-ip cs-method cs-uri-stem sc-status\r\n") << 5;
        QTest::newRow("capitals") << QByteArray("#FIELDS: DATE TIME CS-URI-STEM\r\n") << 3;
        QTest::newRow("first directive lacks the field")
            << QByteArray("#Fields: date time\r\nx\r\n#Fields: date cs-uri-stem\r\n") << 0;
        QTest::newRow("no directive") << QByteArray("#Software: IIS\r\n2008-05-01 /a.htm\r\n") << 0;
        QTest::newRow("empty file") << QByteArray() << 0;
        QTest::newRow("shorter than the directive word") << QByteArray("#fields\r\n#Fields: cs-uri-stem\r\n") << 1;
        QTest::newRow("two spaces give an empty token")
            << QByteArray("#Fields: date  cs-uri-stem\r\n") << 3;
        QTest::newRow("after a byte-order mark")
            << QByteArray("\xEF\xBB\xBF#Fields: date cs-uri-stem\r\n") << 2;
        QTest::newRow("LF line ends") << QByteArray("#Version: 1.0\n#Fields: cs-uri-stem\n") << 1;
        QTest::newRow("directive is the last line without line end") << QByteArray("#Fields: a cs-uri-stem") << 2;
        QTest::newRow("lone CR is no line end") << QByteArray("#Version: 1.0\r#Fields: cs-uri-stem\r\n") << 0;
        QTest::newRow("tab is no separator") << QByteArray("#Fields: date\tcs-uri-stem\r\n") << 0;
        QTest::newRow("only directives") << QByteArray("#Software: x\r\n#Version: 1.0\r\n#Date: y\r\n") << 0;
    }
    void directive()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, expected);
        for (qsizetype block : kBlockSizes) {
            const ScanLimits limits{block, 1 << 20};
            QCOMPARE(fieldIndex(file, limits), expected);
        }
        QCOMPARE(Reference::FieldIndex(file, QStringLiteral("cs-uri-stem"), 1 << 20), expected);
    }

    void hits_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("token");
        QTest::addColumn<QStringList>("expected");  // without element 0
        const QByteArray agent = "Baiduspider+(+http://www.baidu.com/search/spider.htm)";
        QTest::newRow("three hits, case kept")
            << LogHeader() + LogLine("/a.htm", agent) + LogLine("/x.htm", "Mozilla/4.0") + LogLine("/A.htm", agent)
                   + LogLine("/b.htm", agent)
            << 5 << QStringLiteral("BaiDuSpider") << QStringList{"/a.htm", "/A.htm", "/b.htm"};
        QTest::newRow("no hit") << LogHeader() + LogLine("/a.htm", "Mozilla/4.0") << 5
                                << QStringLiteral("BaiDuSpider") << QStringList{};
        QTest::newRow("adjacent spaces shift the column")
            << QByteArray("2008-05-01 00:01:02 10.0.0.1  GET /a.htm 200 Baiduspider\r\n") << 5 << QStringLiteral("baiduspider")
            << QStringList{"GET"};
        QTest::newRow("referrer holding the token counts")
            << QByteArray("d t ip GET /r.htm Mozilla/4.0 http://x/?q=googlebot\r\n") << 5 << QStringLiteral("GoogleBot")
            << QStringList{"/r.htm"};
        QTest::newRow("directive lines are tested too")
            << QByteArray("#Software: Baiduspider-watch\r\n") << 2 << QStringLiteral("BaiDuSpider")
            << QStringList{"Baiduspider-watch"};
        QTest::newRow("too few columns give the empty value")
            << QByteArray("Baiduspider\r\n") << 5 << QStringLiteral("BaiDuSpider") << QStringList{""};
        QTest::newRow("empty lines are no hits") << QByteArray("\r\n\r\n\n") << 1 << QStringLiteral("spider")
                                                 << QStringList{};
        QTest::newRow("token inside a longer word")
            << QByteArray("a /y Mozilla/5.0+(compatible;+Yahoo!+Slurp/3.0)\r\n") << 2 << QStringLiteral("Slurp")
            << QStringList{"/y"};
        QTest::newRow("Yahoo! is literal text") << QByteArray("a /y Yahoo!\r\na /n Yahoo\r\n") << 2
                                                << QStringLiteral("Yahoo!") << QStringList{"/y"};
        QTest::newRow("Lycos token with brackets") << QByteArray("a /l Lycos_Spider_(T-Rex)/3.0\r\na /m Lycos_Spider_T-Rex\r\n")
                                                   << 2 << QStringLiteral("Lycos_Spider_(T-Rex)") << QStringList{"/l"};
        QTest::newRow("LF, CR LF and a final line without line end")
            << QByteArray("a /1 bot\na /2 bot\r\na /3 bot") << 2 << QStringLiteral("bot")
            << QStringList{"/1", "/2", "/3"};
        QTest::newRow("lone CR is part of the line")
            << QByteArray("a /1 x\rb /2 bot\r\n") << 2 << QStringLiteral("bot") << QStringList{"/1"};
        QTest::newRow("final CR without LF stays")
            << QByteArray("a /1\r") << 2 << QStringLiteral("/1") << QStringList{"/1\r"};
        QTest::newRow("UTF-8 page") << QByteArray("a /\xE6\x96\xB0\xE9\x97\xBB.htm bot\r\n") << 2
                                    << QStringLiteral("bot") << QStringList{QStringLiteral("/新闻.htm")};
        QTest::newRow("code page 936 page") << QByteArray("a /\xD0\xC2\xCE\xC5.htm bot\r\n") << 2
                                            << QStringLiteral("bot") << QStringList{QStringLiteral("/新闻.htm")};
        // 0x81 0x62 is one Chinese character whose second byte reads "b".
        QTest::newRow("ASCII bytes inside a Chinese character")
            << QByteArray("a /x \x81" "bot\r\na /y \xD0\xC2" "bot\r\n") << 2 << QStringLiteral("boT")
            << QStringList{"/y"};
        QTest::newRow("Chinese token") << QByteArray("a /1 百度蜘蛛\r\na /2 \xB0\xD9\xB6\xC8\r\na /3 x\r\n") << 2
                                       << QStringLiteral("百度") << QStringList{"/1", "/2"};
        QTest::newRow("NUL and invalid bytes") << QByteArray("a /\0\xFF bot\r\n", 11) << 2 << QStringLiteral("bot")
                                               << QStringList{u'/' + QString(QChar(0)) + QChar(0xF8F5)};
        QTest::newRow("byte-order mark inside a line is a character")
            << QByteArray("k \xEF\xBB\xBF\r\n") << 2 << QStringLiteral("K") << QStringList{QString(QChar(0xFEFF))};
        QTest::newRow("byte-order mark dropped") << QByteArray("\xEF\xBB\xBF/a bot\r\n") << 1 << QStringLiteral("bot")
                                                 << QStringList{"/a"};
    }
    void hits()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, field);
        QFETCH(QString, token);
        QFETCH(QStringList, expected);
        expected.prepend(QString());
        for (qsizetype block : kBlockSizes)
            QCOMPARE(scanHits(file, field, token, ScanLimits{block, 1 << 20}), expected);
        QStringList reference;
        Reference::HitList(file, field, token, 1 << 20, false, reference);
        QCOMPARE(reference, expected);
    }

    void stopSetBeforeTheScanReadsOneLine()
    {
        const QByteArray file = "a /1 bot\r\na /2 bot\r\n";
        StopFlag stop;
        stop.request();
        QCOMPARE(scanHits(file, 2, QStringLiteral("bot"), {}, &stop), (QStringList{"", "/1"}));
    }

    void overLongLinesAreSkippedAndCounted()
    {
        const QByteArray file = "a /1 bot\r\n" + QByteArray(100, 'x') + " bot\r\na /2 bot\r\n" + QByteArray(40, 'y');
        for (qsizetype block : kBlockSizes) {
            qint64 skipped = 0;
            QCOMPARE(scanHits(file, 2, QStringLiteral("bot"), ScanLimits{block, 32}, nullptr, &skipped),
                     (QStringList{"", "/1", "/2"}));
            QCOMPARE(skipped, 2);
        }
        QCOMPARE(Reference::SplitLines(file, 32).skippedLongLines, 2);
    }

    // The block scanner against the plain reading of the rules, on random
    // files built from the pieces that make reading hard.
    void agreesWithTheReferenceOnRandomFiles()
    {
        const QList<QByteArray> pieces = {
            "#Fields: ", "#fields:", "cs-uri-stem", " ", "  ", "\r\n", "\n", "\r", "bot", "BoT", "b", "ot",
            "/p", "/P", "\xD0\xC2", "\x81", "\xE6\x96\xB0", "\xEF\xBB\xBF", QByteArray("\0", 1), "\xFF", "x",
        };
        const QStringList tokens = {QStringLiteral("bot"), QStringLiteral("新"), QStringLiteral("b"),
                                    QStringLiteral("/p b")};
        QRandomGenerator random(20080501);
        for (int round = 0; round < 400; ++round) {
            QByteArray file;
            const int count = random.bounded(round % 4 == 0 ? 400 : 60);
            for (int i = 0; i < count; ++i)
                file += pieces[random.bounded(int(pieces.size()))];
            const QString token = tokens[random.bounded(int(tokens.size()))];
            // Now and then blocks wide enough for the vector search.
            const ScanLimits limits{round % 4 == 0 ? 4096 : 1 + random.bounded(24),
                                    round % 4 == 0 ? 4096 : 8 + random.bounded(40)};
            const qint32 field = Reference::FieldIndex(file, QStringLiteral("cs-uri-stem"), limits.maxLineBytes);
            QCOMPARE(fieldIndex(file, limits), field);
            QStringList expected;
            Reference::HitList(file, std::max(field, 1), token, limits.maxLineBytes, false, expected);
            QCOMPARE(scanHits(file, std::max(field, 1), token, limits), expected);
        }
    }

    void passesOverFiles()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("ex080501.log"));
        WriteFile(path, LogHeader() + LogLine("/a.htm", "Baiduspider") + LogLine("/A.htm", "baiduSPIDER"));
        QCOMPARE(定位log头信息(path, QStringLiteral("cs-uri-stem")), 5);
        QStringList hits;
        QCOMPARE(查找搜索引擎信息(path, 5, QStringLiteral("BaiDuSpider"), hits), 2);
        QCOMPARE(hits, (QStringList{"", "/a.htm", "/A.htm"}));

        const QString missing = dir.filePath(QStringLiteral("gone.log"));
        QCOMPARE(定位log头信息(missing, QStringLiteral("cs-uri-stem")), 0);
        QCOMPARE(查找搜索引擎信息(missing, 5, QStringLiteral("x"), hits), 0);
        QCOMPARE(hits, QStringList{QString()});
    }
};

QTEST_APPLESS_MAIN(TestLogReader)
#include "test_log_reader.moc"
