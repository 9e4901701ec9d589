#include "common/stop_flag.h"
#include "crawl_log/crawl_run.h"
#include "logs/log_reader.h"
#include "support/crawl_fixtures.h"
#include "support/reference_log_reader.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QList<qsizetype> kBlockSizes = {1, 2, 7, 64, 256 * 1024};

// A header that makes any content a W3C log, as the reader tells by content.
const QByteArray kSoftware = "#Software: IIS\r\n";

QString writeTemp(const QTemporaryDir &dir, const QByteArray &bytes)
{
    const QString path = dir.filePath(QStringLiteral("x.log"));
    WriteFile(path, bytes);
    return path;
}

Reference::Crawl crawl(const QByteArray &file, const QString &token, const ScanLimits &limits,
                       const StopFlag *stop = nullptr, qint64 *skippedLongLines = nullptr)
{
    QTemporaryDir dir;
    LogReadOptions options;
    options.limits = limits;
    const LogFileAnalysis analysis =
        AnalyzeLogFile({writeTemp(dir, file), QStringLiteral("x.log"), {}}, CrawlerToken(token), stop, options);
    if (skippedLongLines)
        *skippedLongLines = analysis.summary.skippedLongLines;
    return {analysis.summary.requests, analysis.summary.skippedLines, analysis.pages.pages()};
}

// The raw pages of the records, "!" for a record without a page.
QByteArrayList recordPages(const QByteArray &file, const ScanLimits &limits)
{
    QTemporaryDir dir;
    LogReadOptions options;
    options.limits = limits;
    QByteArrayList pages;
    ReadLogRecords({writeTemp(dir, file), QStringLiteral("x.log"), {}}, options, [&](const LogRecord &record) {
        pages.append(record.hasPage ? record.page.toByteArray() : QByteArray("!"));
    });
    return pages;
}

QByteArrayList referencePages(const QByteArray &file, qsizetype maxLineBytes)
{
    QByteArrayList pages;
    for (const Reference::W3cLine &line : Reference::ReadW3c(file, maxLineBytes))
        if (line.kind == Reference::W3cLine::Record)
            pages.append(line.hasPage ? line.page : QByteArray("!"));
    return pages;
}

}  // namespace

class TestLogReader : public QObject
{
    Q_OBJECT

private slots:
    // Which column of a data line "/p" stands in is told by the directive.
    void pageColumn_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArrayList>("expected");
        const QByteArray line = "d t ip GET /p 200\r\n";
        QTest::newRow("IIS 6 fields")
            << "#Fields: date time c-ip cs-method cs-uri-stem sc-status\r\n" + line << QByteArrayList{"/p"};
        QTest::newRow("capitals") << "#FIELDS: DATE TIME CS-IP CS-METHOD CS-URI-STEM\r\n" + line << QByteArrayList{"/p"};
        QTest::newRow("a later directive names the field")
            << "#Fields: date time\r\nx\r\n#Fields: a b c d cs-uri-stem\r\n" + line << QByteArrayList{"!", "/p"};
        QTest::newRow("no directive: no records") << kSoftware + line << QByteArrayList{};
        QTest::newRow("empty file") << QByteArray() << QByteArrayList{};
        QTest::newRow("shorter than the directive word")
            << "#fields\r\n#Fields: a b c d cs-uri-stem\r\n" + line << QByteArrayList{"/p"};
        QTest::newRow("runs of spaces and tabs between names")
            << "#Fields: a  b\tc \t d\t\tcs-uri-stem\r\n" + line << QByteArrayList{"/p"};
        QTest::newRow("no space after the colon") << "#Fields:a b c d cs-uri-stem\r\n" + line << QByteArrayList{"/p"};
        QTest::newRow("tab-separated data") << QByteArray("#Fields:\tdate\tcs-uri-stem\r\nd\t/t\r\n")
                                            << QByteArrayList{"/t"};
        QTest::newRow("after a byte-order mark")
            << "\xEF\xBB\xBF#Fields: a b c d cs-uri-stem\r\n" + line << QByteArrayList{"/p"};
        QTest::newRow("LF line ends") << QByteArray("#Version: 1.0\n#Fields: cs-uri-stem\n/a\n") << QByteArrayList{"/a"};
        QTest::newRow("last line without line end") << QByteArray("#Fields: a cs-uri-stem\nx /z") << QByteArrayList{"/z"};
        QTest::newRow("lone CR is no line end")
            << QByteArray("#Version: 1.0\r#Fields: cs-uri-stem\r\n/a\r\n") << QByteArrayList{};
        QTest::newRow("two spaces in a data line give an empty column")
            << QByteArray("#Fields: a cs-uri-stem b\r\nx  /p\r\n") << QByteArrayList{"!"};
        QTest::newRow("a name given twice counts where it comes first")
            << QByteArray("#Fields: cs-uri-stem x cs-uri-stem\r\n/p /q /r\r\n") << QByteArrayList{"/p"};
        QTest::newRow("dash is no page") << QByteArray("#Fields: cs-uri-stem\r\n-\r\n") << QByteArrayList{"!"};
    }
    void pageColumn()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArrayList, expected);
        for (qsizetype block : kBlockSizes)
            QCOMPARE(recordPages(file, ScanLimits{block, 1 << 20}), expected);
        QCOMPARE(referencePages(file, 1 << 20), expected);
    }

    void hits_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("token");
        QTest::addColumn<int>("requests");
        QTest::addColumn<QStringList>("pages");  // without the empty page
        const QByteArray agent = "Baiduspider+(+http://www.baidu.com/search/spider.htm)";
        const QByteArray two = "#Fields: a cs-uri-stem b\r\n";
        QTest::newRow("three hits, case folded")
            << LogHeader() + LogLine("/a.htm", agent) + LogLine("/x.htm", "Mozilla/4.0") + LogLine("/A.htm", agent)
                   + LogLine("/b.htm", agent)
            << QStringLiteral("BaiDuSpider") << 3 << QStringList{"/a.htm", "/b.htm"};
        QTest::newRow("no hit") << LogHeader() + LogLine("/a.htm", "Mozilla/4.0") << QStringLiteral("BaiDuSpider") << 0
                                << QStringList{};
        QTest::newRow("referrer holding the token counts")
            << two + "x /r.htm Mozilla/4.0 http://x/?q=googlebot\r\n" << QStringLiteral("GoogleBot") << 1
            << QStringList{"/r.htm"};
        QTest::newRow("directive lines are no requests")
            << "#Software: Baiduspider-watch\r\n" + two << QStringLiteral("BaiDuSpider") << 0 << QStringList{};
        QTest::newRow("too few columns: a request without a page")
            << two + "Baiduspider\r\n" << QStringLiteral("BaiDuSpider") << 1 << QStringList{};
        QTest::newRow("empty lines are no hits") << two + "\r\n\r\n\n" << QStringLiteral("spider") << 0 << QStringList{};
        QTest::newRow("token inside a longer word")
            << two + "a /y Mozilla/5.0+(compatible;+Yahoo!+Slurp/3.0)\r\n" << QStringLiteral("Slurp") << 1
            << QStringList{"/y"};
        QTest::newRow("Yahoo! is literal text") << two + "a /y Yahoo!\r\na /n Yahoo\r\n" << QStringLiteral("Yahoo!") << 1
                                                << QStringList{"/y"};
        QTest::newRow("space and plus match each other")
            << two + "a /1 Sogou+web+spider\r\na /2 x\r\na /3 Sogou+Web+Spider/4.0\r\n"
            << QStringLiteral("Sogou web spider") << 2 << QStringList{"/1", "/3"};
        QTest::newRow("plus matches a space")
            << two + "a /1 Sogou\tweb spider\r\n" << QStringLiteral("+web+") << 0 << QStringList{};
        QTest::newRow("Lycos token with brackets")
            << two + "a /l Lycos_Spider_(T-Rex)/3.0\r\na /m Lycos_Spider_T-Rex\r\n" << QStringLiteral("Lycos_Spider_(T-Rex)")
            << 1 << QStringList{"/l"};
        QTest::newRow("LF, CR LF and a final line without line end")
            << two + "a /1 bot\na /2 bot\r\na /3 bot" << QStringLiteral("bot") << 3 << QStringList{"/1", "/2", "/3"};
        QTest::newRow("lone CR is part of the line")
            << two + "a /1 x\rb /2 bot\r\n" << QStringLiteral("bot") << 1 << QStringList{"/1"};
        QTest::newRow("UTF-8 page") << two + "a /\xE6\x96\xB0\xE9\x97\xBB.htm bot\r\n" << QStringLiteral("bot") << 1
                                    << QStringList{QStringLiteral("/新闻.htm")};
        QTest::newRow("code page 936 page") << two + "a /\xD0\xC2\xCE\xC5.htm bot\r\n" << QStringLiteral("bot") << 1
                                            << QStringList{QStringLiteral("/新闻.htm")};
        // The page's own bytes decide its encoding, not its line's: a stray
        // invalid byte elsewhere leaves the UTF-8 page one page.
        QTest::newRow("UTF-8 page on a line with a stray byte")
            << two + "a /\xE6\x96\xB0 bot\r\na /\xE6\x96\xB0 bot\xFF\r\n" << QStringLiteral("bot") << 2
            << QStringList{QStringLiteral("/新")};
        // 0x81 0x62 is one Chinese character whose second byte reads "b".
        QTest::newRow("ASCII bytes inside a Chinese character")
            << two + "a /x \x81" "bot\r\na /y \xD0\xC2" "bot\r\n" << QStringLiteral("boT") << 1 << QStringList{"/y"};
        QTest::newRow("Chinese token") << two + "a /1 百度蜘蛛\r\na /2 \xB0\xD9\xB6\xC8\r\na /3 x\r\n"
                                       << QStringLiteral("百度") << 2 << QStringList{"/1", "/2"};
        QTest::newRow("NUL and invalid bytes") << two + QByteArray("a /\0\xFF bot\r\n", 11) << QStringLiteral("bot") << 1
                                               << QStringList{u'/' + QString(QChar(0)) + QChar(0xF8F5)};
        QTest::newRow("byte-order mark inside a line is a character")
            << two + "k \xEF\xBB\xBF\r\n" << QStringLiteral("K") << 1 << QStringList{QString(QChar(0xFEFF))};
        QTest::newRow("lines before the first directive are skipped")
            << "#Date: x\r\na /0 bot\r\n" + two + "a /1 bot\r\n" << QStringLiteral("bot") << 1 << QStringList{"/1"};
    }
    void hits()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, token);
        QFETCH(int, requests);
        QFETCH(QStringList, pages);
        pages.prepend(QString());
        for (qsizetype block : kBlockSizes) {
            const Reference::Crawl found = crawl(file, token, ScanLimits{block, 1 << 20});
            QCOMPARE(found.requests, requests);
            QCOMPARE(found.pages, pages);
        }
        const Reference::Crawl reference = Reference::CrawlW3c(file, token, 1 << 20);
        QCOMPARE(reference.requests, requests);
        QCOMPARE(reference.pages, pages);
    }

    void stopSetBeforeTheReadReadsOneBlock()
    {
        const QByteArray file = "#Fields: a cs-uri-stem\r\na /1 bot\r\na /2 bot\r\n";
        StopFlag stop;
        stop.request();
        const Reference::Crawl found = crawl(file, QStringLiteral("bot"), ScanLimits{40, 1 << 20}, &stop);
        QCOMPARE(found.pages, (QStringList{"", "/1"}));
    }

    void overLongLinesAreSkippedAndCounted()
    {
        const QByteArray file = "#Fields: a cs-uri-stem\r\na /1 bot\r\n" + QByteArray(100, 'x') + " bot\r\na /2 bot\r\n"
            + QByteArray(40, 'y');
        for (qsizetype block : kBlockSizes) {
            qint64 skipped = 0;
            QCOMPARE(crawl(file, QStringLiteral("bot"), ScanLimits{block, 32}, nullptr, &skipped).pages,
                     (QStringList{"", "/1", "/2"}));
            QCOMPARE(skipped, 2);
        }
        QCOMPARE(Reference::SplitLines(file, 32).skippedLongLines, 2);
    }

    // The block reader and the crawl run against the plain reading of the
    // rules, on random files built from the pieces that make reading hard.
    void agreesWithTheReferenceOnRandomFiles()
    {
        const QList<QByteArray> pieces = {
            "#Fields: ", "#fields:", "cs-uri-stem", " ", "  ", "\t", "\r\n", "\n", "\r", "bot", "BoT", "b", "ot", "+",
            "/p", "/P", "-", "\xD0\xC2", "\x81", "\xE6\x96\xB0", "\xEF\xBB\xBF", QByteArray("\0", 1), "\xFF", "x", "#",
        };
        const QStringList tokens = {QStringLiteral("bot"), QStringLiteral("新"), QStringLiteral("b"),
                                    QStringLiteral("/p b"), QStringLiteral("t+b")};
        QRandomGenerator random(20080501);
        for (int round = 0; round < 300; ++round) {
            QByteArray file = kSoftware;
            const int count = random.bounded(round % 4 == 0 ? 400 : 60);
            for (int i = 0; i < count; ++i)
                file += pieces[random.bounded(int(pieces.size()))];
            const QString token = tokens[random.bounded(int(tokens.size()))];
            // Now and then blocks wide enough for the vector search.
            const ScanLimits limits{round % 4 == 0 ? 4096 : 1 + random.bounded(24),
                                    round % 4 == 0 ? 4096 : 16 + random.bounded(40)};
            QCOMPARE(recordPages(file, limits), referencePages(file, limits.maxLineBytes));
            const Reference::Crawl expected = Reference::CrawlW3c(file, token, limits.maxLineBytes);
            const Reference::Crawl found = crawl(file, token, limits);
            QCOMPARE(found.requests, expected.requests);
            QCOMPARE(found.skippedLines, expected.skippedLines);
            QCOMPARE(found.pages, expected.pages);
        }
    }
};

QTEST_APPLESS_MAIN(TestLogReader)
#include "test_log_reader.moc"
