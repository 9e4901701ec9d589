#include "common/cp936.h"
#include "indexing/extraction.h"
#include "indexing/net/http_page_fetcher.h"
#include "indexing/numeric_text.h"

#include <QTest>

namespace {

// What a built-in routine cuts from the page, 0 when nothing.
qint64 cut(const QString &routine, const QString &page) { return FindBuiltinExtractor(routine)(page).value_or(0); }

}  // namespace

class TestExtraction : public QObject
{
    Q_OBJECT

private slots:
    void routine_data()
    {
        QTest::addColumn<QString>("routine");
        QTest::addColumn<QString>("page");
        QTest::addColumn<qint64>("expected");
        auto row = [](const char *name, const char *routine, const QString &page, qint64 expected) {
            QTest::newRow(name) << QString::fromLatin1(routine) << page << expected;
        };
        for (const QString &name : BuiltinExtractorNames())
            QTest::newRow(qPrintable(name + QStringLiteral(": empty page"))) << name << QString() << qint64(0);

        row("baidu", "baidu", QStringLiteral("找到相关网页约1,234篇"), 1234);
        row("baidu without 篇", "baidu", QStringLiteral("找到相关网页约1,234"), 0);
        row("baidu, 25 billion", "baidu", QStringLiteral("找到相关网页约25,270,000,000篇"), 25270000000);
        row("baidu, beyond 64 bits", "baidu", QStringLiteral("找到相关网页约99,999,999,999,999,999,999篇"), 0);
        row("baidu, not a number", "baidu", QStringLiteral("找到相关网页很多篇"), 0);
        row("yahoo", "yahoo", QStringLiteral("找到相关网页约56条"), 56);
        row("sogou cut at the comment", "sogou", QStringLiteral("找到约1,234<!-- -->个网页"), 1234);
        row("soso drops the character after the marker", "soso", QStringLiteral("搜索到约1,234项结果"), 1234);
        row("soso drops the first digit", "soso", QStringLiteral("搜索到1,234项结果"), 234);
        row("msn with full-width comma", "msn", QStringLiteral("，共 1,234 条搜索结果"), 1234);
        row("msn without the comma", "msn", QStringLiteral("共 1,234 条搜索结果"), 1234);
        row("msn ending in span", "msn", QStringLiteral("，共 77 条</span>"), 77);
        row("youdao 万 at the end", "youdao", QStringLiteral("搜索到结果约12万条"), 120000);
        row("youdao 万 inside", "youdao", QStringLiteral("搜索到结果3万4567条"), 34567);
        row("youdao bold", "youdao", QStringLiteral("搜索到结果 <b>1,234</b> 条"), 1234);
        row("youdao after a comment", "youdao", QStringLiteral("搜索到结果<!-- x -->89条"), 89);
        row("youdao 万 overflow", "youdao", QStringLiteral("搜索到结果9223372036854775807万条"), 0);
        row("google 约有", "google", QStringLiteral("约有 <b>1,230</b> 项符合"), 1230);
        row("google capital B", "google", QStringLiteral("约有 <B>1,230</B> 项符合"), 1230);
        row("google 获得大约", "google", QStringLiteral("获得大约 56 条"), 56);
        row("google 获得约 drops a character", "google", QStringLiteral("获得约 56 条"), 56);
        row("google 共有", "google", QStringLiteral("共有 7 个"), 7);
        row("sogou rank, case ignored", "sogourank", QStringLiteral("搜狗评级:5/100&NBSP"), 5);
        row("sogou rank without &nbsp", "sogourank", QStringLiteral("搜狗评级:5/100"), 0);
        row("chinarank", "chinarank", QStringLiteral("<td background=\"cr_bg25.gif\">123</td>"), 123);
        row("chinarank, cell closed first", "chinarank",
            QStringLiteral("<td background=\"cr_bg25.gif\"></td><td>123</td>"), 0);
        row("alexa", "alexa", QStringLiteral("traffic rank in other countries<span><b>x</b>12,345</span>"), 12345);
        row("alexa wrapped number", "alexa", QStringLiteral("traffic rank in other countries<span><b>12</b></span>"), 0);
    }
    void routine()
    {
        QFETCH(QString, routine);
        QFETCH(QString, page);
        QFETCH(qint64, expected);
        QCOMPARE(cut(routine, page), expected);
    }

    // Whole pages as the services send them, cleaned as a download is.
    void wholePages()
    {
        const QByteArray baidu = Cp936::encode(QStringLiteral(
            "<html>\r\n<head><meta http-equiv=\"content-type\" content=\"text/html;charset=gb2312\"></head>\r\n"
            "<body><div id=\"wrapper\">\r\n\t<p class=\"site\">百度一下，找到相关网页约 98,700 篇，用时0.05秒</p>"
            "\r\n</div></body></html>"));
        QCOMPARE(cut("baidu", CleanDownloadedPage(Cp936::decode(baidu))), 98700);
        const QByteArray alexa = "<div class=\"data\"><h4>Alexa Traffic Rank in other countries</h4>\n"
                                 "<span class=\"rank\">\n <img src=\"/flag/cn.png\"> 4,567 </span></div>";
        QCOMPARE(cut("alexa", CleanDownloadedPage(Utf8BytesToString(alexa))), 4567);
    }

    void tenThousandWord_data()
    {
        QTest::addColumn<qint64>("count");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << qint64(0) << QStringLiteral("         0篇");
        QTest::newRow("9999") << qint64(9999) << QStringLiteral("      9999篇");
        QTest::newRow("10000") << qint64(10000) << QStringLiteral("   1万0000篇");
        QTest::newRow("123456") << qint64(123456) << QStringLiteral("  12万3456篇");
        QTest::newRow("12345678") << qint64(12345678) << QStringLiteral("1234万5678篇");
        QTest::newRow("longer than the field") << qint64(25270000000) << QStringLiteral("2527000万0000篇");
        QTest::newRow("negative") << qint64(-12345) << QStringLiteral("  -1万2345篇");
    }
    void tenThousandWord()
    {
        QFETCH(qint64, count);
        QFETCH(QString, text);
        QCOMPARE(加万字(count), text);
    }

    void convert_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("value");
        QTest::newRow("spaces and sign") << QStringLiteral("  -42 ") << qint64(-42);
        QTest::newRow("plus") << QStringLiteral("+7") << qint64(7);
        QTest::newRow("groups") << QStringLiteral("1,234,567") << qint64(1234567);
        QTest::newRow("half to even, down") << QStringLiteral("2.5") << qint64(2);
        QTest::newRow("half to even, up") << QStringLiteral("3.5") << qint64(4);
        QTest::newRow("above half") << QStringLiteral("2.51") << qint64(3);
        QTest::newRow("fraction only") << QStringLiteral(".7") << qint64(1);
        QTest::newRow("largest") << QStringLiteral("9223372036854775807") << qint64(9223372036854775807LL);
        QTest::newRow("beyond 64 bits") << QStringLiteral("9223372036854775808") << qint64(0);
        QTest::newRow("separator at the start") << QStringLiteral(",123") << qint64(0);
        QTest::newRow("two separators") << QStringLiteral("1,,2") << qint64(0);
        QTest::newRow("empty") << QString() << qint64(0);
        QTest::newRow("tab") << QStringLiteral("\t5") << qint64(0);
        QTest::newRow("exponent") << QStringLiteral("1e3") << qint64(0);
        QTest::newRow("sign alone") << QStringLiteral("-") << qint64(0);
    }
    void convert()
    {
        QFETCH(QString, text);
        QFETCH(qint64, value);
        const std::optional<NumericText> number = ParseNumericText(text);
        QCOMPARE(number && number->rounded ? *number->rounded : 0, value);
    }
};

QTEST_APPLESS_MAIN(TestExtraction)
#include "test_extraction.moc"
