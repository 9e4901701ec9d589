#include "common/stop_flag.h"
#include "indexing/indexing_run.h"
#include "support/crawl_fixtures.h"

#include <QLocale>
#include <QSet>
#include <QTest>

namespace {

// Canned pages: every direct download gets a page for its service, the
// browser routes a page for theirs; every request is recorded.
class CannedPages final : public PageSource
{
public:
    FetchedPage download(const QString &url, bool utf8) override
    {
        urls.append(url);
        Q_UNUSED(utf8);
        if (url.contains(QLatin1String("/s?wd=")))
            return QStringLiteral("找到相关网页约1,234篇");
        if (url.contains(QLatin1String("/siteinfo/")))
            return QStringLiteral("traffic rank in other countries<span>>12,345</span>");
        return QStringLiteral("no numbers here");
    }
    FetchedPage searchForm(PageRoute route, const QUrl &, const QString &address,
                           const std::function<bool(const QString &)> &) override
    {
        urls.append(QStringLiteral("form %1 %2").arg(int(route)).arg(address));
        return route == PageRoute::GoogleForm ? QStringLiteral("约有 <b>1,230</b> 项符合") : QString();
    }
    QStringList urls;
};

// The same page, or the same failure, for every query.
class OnePage final : public PageSource
{
public:
    explicit OnePage(FetchedPage page) : page_(std::move(page)) {}
    FetchedPage download(const QString &, bool) override { return page_; }
    FetchedPage searchForm(PageRoute, const QUrl &, const QString &, const std::function<bool(const QString &)> &) override
    {
        return page_;
    }

private:
    FetchedPage page_;
};

SiteList sites(const QList<SiteEntry> &entries)
{
    SiteList list;
    for (const SiteEntry &entry : entries)
        list.append(entry);
    return list;
}

const QDateTime kStart(QDate(2008, 5, 1), QTime(9, 30, 0));

IndexingRunContext contextFor(const QSet<QString> &ticked)
{
    IndexingRunContext context;
    context.ticked = [ticked](const IndexingService &service) { return ticked.contains(service.settingsKey); };
    context.clock = [] { return kStart; };
    int draw = 0;
    context.random = [draw]() mutable { return (draw++ % 36) / 36.0; };  // "0", "1", "2" …
    for (const IndexingService &service : IndexingServices())
        context.baseUrls.insert(service.settingsKey, QUrl(QStringLiteral("http://") + service.settingsKey));
    return context;
}

// The header's clock in Chinese form, date and time to the second.
QString header(int equals)
{
    const QString rule(equals, u'=');
    return rule + QStringLiteral("澜岫软件分析结果[2008年5月1日 09:30:00]") + rule;
}

}  // namespace

class TestIndexingRun : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China)); }

    void reportOfOneSite()
    {
        CannedPages pages;
        RecordingRunOutput output;
        StopFlag stop;
        RunIndexingAnalysis(sites({{"www.lanxiu.cn", "澜岫", true}}), contextFor({"baidu", "alexa"}), pages, output,
                            stop);
        const QString address = QStringLiteral("www.lanxiu.cn");  // 13 characters
        QCOMPARE(output.lines(), (QStringList{header(6), "澜岫", address + "   百度收录：      1234篇",
                                              address + "   alexa排名：12345", QString(38, u'-')}));
        QCOMPARE(output.progress, (QStringList{"0", "max 2", "1", "0"}));
        QCOMPARE(output.yields, 3);  // after each query and after the site
    }

    void columnsLineUpAndEveryListEntryCounts()
    {
        CannedPages pages;
        RecordingRunOutput output;
        StopFlag stop;
        const SiteList list = sites({{"a.cn", "", true},
                                     {"bb.com.cn", "", true},
                                     {"the-longest-unchecked.com", "", false},
                                     {"c.cn", "", true}});
        IndexingRunContext context = contextFor({"baidu", "sogourank"});
        RunIndexingAnalysis(list, context, pages, output, stop);
        const QStringList lines = output.lines();
        QCOMPARE(lines.front(), header(12));  // 25 characters
        const QString separator(50, u'-');
        QCOMPARE(lines.mid(1), (QStringList{"a.cn" + QString(23, u' ') + " 百度收录：      1234篇",
                                            "a.cn" + QString(23, u' ') + " 搜狗排行：查询失败", separator,
                                            "bb.com.cn" + QString(18, u' ') + " 百度收录：      1234篇",
                                            "bb.com.cn" + QString(18, u' ') + " 搜狗排行：查询失败", separator,
                                            "c.cn" + QString(23, u' ') + " 百度收录：      1234篇",
                                            "c.cn" + QString(23, u' ') + " 搜狗排行：查询失败", separator}));
        QCOMPARE(output.progress, (QStringList{"0", "max 5", "1", "2", "3", "4", "0"}));
    }

    void queriesOfEveryService()
    {
        CannedPages pages;
        RecordingRunOutput output;
        StopFlag stop;
        QSet<QString> all;
        for (const IndexingService &service : IndexingServices())
            all.insert(service.settingsKey);
        RunIndexingAnalysis(sites({{"a.cn/x y#z", "", true}, {"b.cn", "", true}}), contextFor(all), pages, output,
                            stop);
        // One nonce per site, shared by its direct queries; none for Alexa.
        QCOMPARE(pages.urls.mid(0, 10),
                 (QStringList{"http://baidu/s?wd=site%3Aa.cn/x%20y%23z&01234=", "form 1 a.cn/x y#z", "form 2 a.cn/x y#z",
                              "http://yahoo/search?p=site%3Aa.cn/x%20y%23z&01234=",
                              "http://msn/search?q=site%3Aa.cn/x%20y%23z&01234=",
                              "http://soso/q?pid=s.idx&w=site%3Aa.cn/x%20y%23z&01234=",
                              "http://youdao/search?ue=gbk&keyfrom=163.index&q=site%3Aa.cn/x%20y%23z&01234=",
                              "http://sogourank/web?query=link%3Aa.cn/x%20y%23z&01234=",
                              "http://chinarank/overview/Info.do?url=a.cn/x%20y%23z&01234=",
                              "http://alexa/siteinfo/a.cn/x%20y%23z"}));
        QVERIFY(pages.urls.at(10).endsWith(QLatin1String("b.cn&56789=")));
        QVERIFY(output.text().contains(QStringLiteral(" 谷歌收录：      1230篇")));
        QVERIFY(output.text().contains(QStringLiteral("  MSN收录：  查询失败")));
    }

    void emptyListAndNothingTicked()
    {
        CannedPages pages;
        RecordingRunOutput empty;
        StopFlag stop;
        RunIndexingAnalysis(SiteList(), contextFor({"baidu"}), pages, empty, stop);
        QCOMPARE(empty.lines(), QStringList{header(0)});
        QCOMPARE(empty.progress, (QStringList{"0", "max 1", "0"}));

        RecordingRunOutput untouched;
        RunIndexingAnalysis(sites({{"a.cn", "甲", true}, {"bb.cn", "", true}}), contextFor({}), pages, untouched, stop);
        QCOMPARE(untouched.lines(), (QStringList{header(2), "甲", QString(30, u'-'), QString(30, u'-')}));
        QVERIFY(pages.urls.isEmpty());
    }

    void stopDuringTheSecondOfThreeServices()
    {
        CannedPages pages;
        RecordingRunOutput output;
        StopFlag stop;
        output.onYield = [&](int yield) {
            if (yield == 2)
                stop.request();
        };
        stop.request();  // a click before the run has no effect on it
        RunIndexingAnalysis(sites({{"a.cn", "", true}, {"b.cn", "", true}}), contextFor({"baidu", "yahoo", "alexa"}),
                            pages, output, stop);
        QCOMPARE(output.lines().size(), 3);  // header, two lines, no separator
        QVERIFY(output.lines().at(2).contains(QStringLiteral("雅虎收录")));
        QCOMPARE(pages.urls.size(), 2);
        QCOMPARE(output.progress.back(), QStringLiteral("0"));
    }

    void switchesAndMarksAreReadWhenReached()
    {
        CannedPages pages;
        RecordingRunOutput output;
        StopFlag stop;
        SiteList list = sites({{"a.cn", "", true}, {"b.cn", "", false}});
        bool yahoo = false;
        IndexingRunContext context = contextFor({"baidu"});
        context.ticked = [&yahoo](const IndexingService &service) {
            return service.settingsKey == QLatin1String("baidu") || (yahoo && service.settingsKey == "yahoo");
        };
        output.onYield = [&](int yield) {
            if (yield == 1) {  // during the first site: tick Yahoo, check the second site
                yahoo = true;
                list.setChecked(1, true);
            }
        };
        RunIndexingAnalysis(list, context, pages, output, stop);
        QCOMPARE(pages.urls.size(), 4);  // a: baidu, yahoo (ticked before it was reached); b: both
    }

    // A failure never shows as 0; "查询失败" keeps the columns; a Chinese
    // address is padded by the columns it takes.
    void failureDisplay_data()
    {
        QTest::addColumn<QString>("service");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("fetchFailure");
        QTest::addColumn<QString>("shown");   // after the label
        QTest::addColumn<QString>("reason");  // part of the failure's reason
        QTest::newRow("count") << "baidu" << "找到相关网页约1,234篇" << "" << "      1234篇" << "";
        QTest::newRow("real zero count") << "baidu" << "找到相关网页0篇" << "" << "         0篇" << "";
        QTest::newRow("network error") << "baidu" << "" << "网络错误：连接被拒绝" << "  查询失败" << "连接被拒绝";
        QTest::newRow("no marker") << "yahoo" << "<p>改版了</p>" << "" << "  查询失败" << "没有找到数字";
        QTest::newRow("captcha") << "baidu" << "请输入验证码" << "" << "  查询失败" << "验证码";
        QTest::newRow("not a number") << "baidu" << "找到相关网页很多篇" << "" << "  查询失败" << "没有找到数字";
        QTest::newRow("browser form") << "google" << "<p>home</p>" << "10 秒内搜索页面上没有出现搜索框" << "  查询失败"
                                      << "搜索框";
        QTest::newRow("real zero rank") << "sogourank" << "搜狗评级:0/100&nbsp" << "" << "0" << "";
        QTest::newRow("rank, HTTP error") << "alexa" << "" << "HTTP 503" << "查询失败" << "HTTP 503";
    }
    void failureDisplay()
    {
        QFETCH(QString, service);
        QFETCH(QString, page);
        QFETCH(QString, fetchFailure);
        QFETCH(QString, shown);
        QFETCH(QString, reason);
        FetchedPage fetched(page);
        fetched.failure = fetchFailure;
        OnePage pages(fetched);
        RecordingRunOutput output;
        StopFlag stop;
        // 中文.中国 takes 9 columns, the unchecked address 13.
        const QList<SiteResults> results = RunIndexingAnalysis(
            sites({{"中文.中国", "", true}, {"abcdefghij.cn", "", false}}), contextFor({service}), pages, output, stop);
        const QString label = FindIndexingService(service)->label;
        QCOMPARE(output.lines().at(1), QStringLiteral("中文.中国") + QString(6, u' ') + label + shown);
        QCOMPARE(results.size(), 1);
        const ServiceResult &result = results.at(0).results.at(0);
        QCOMPARE(result.value.has_value(), reason.isEmpty());
        QVERIFY2(result.failure.contains(reason), qPrintable(result.failure));
        QCOMPARE(result.reportLine, output.lines().at(1));
    }

    void randomCode()
    {
        QCOMPARE(RandomCode(5, [] { return 0.0; }), QStringLiteral("00000"));
        QCOMPARE(RandomCode(3, [] { return 0.9999; }), QStringLiteral("ZZZ"));
        const QString code = RandomCode(5, DefaultRandomSource());
        QCOMPARE(code.size(), 5);
        for (QChar c : code)
            QVERIFY((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z'));
    }
};

QTEST_GUILESS_MAIN(TestIndexingRun)
#include "test_indexing_run.moc"
