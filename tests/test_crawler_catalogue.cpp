#include "crawl_log/crawler_catalogue.h"

#include <QSet>
#include <QTest>

class TestCrawlerCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void table()
    {
        const QList<CatalogueCrawler> &catalogue = CrawlerCatalogue();
        QCOMPARE(catalogue.size(), 12);
        QStringList buttons;
        for (const CatalogueCrawler &crawler : catalogue) {
            buttons.append(crawler.button);
            QCOMPARE(crawler.caption, QStringLiteral("分析【") + crawler.displayName + QStringLiteral("】"));
        }
        QCOMPARE(buttons, (QStringList{"Command2", "Command3", "Command6", "Command7", "Command8", "Command9",
                                       "Command10", "Command11", "Command12", "Command13", "Command14",
                                       "Command15"}));
        QCOMPARE(catalogue.front().token, QStringLiteral("BaiDuSpider"));
        QCOMPARE(catalogue.back().displayName, QStringLiteral("腾讯SOSO"));
    }

    void lookup_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("displayName");
        QTest::newRow("display name") << QStringLiteral("百度") << QStringLiteral("百度");
        QTest::newRow("token, other case") << QStringLiteral("baiduspider") << QStringLiteral("百度");
        QTest::newRow("latin display name") << QStringLiteral("ALEXA") << QStringLiteral("alexa");
        QTest::newRow("unknown") << QStringLiteral("baidu") << QString();
    }
    void lookup()
    {
        QFETCH(QString, query);
        QFETCH(QString, displayName);
        const CatalogueCrawler *crawler = FindCatalogueCrawler(query);
        QCOMPARE(crawler ? crawler->displayName : QString(), displayName);
    }

    void customToken_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("token");  // empty: "蜘蛛种类错误！"
        QTest::newRow("initial text") << QStringLiteral("spider") << QStringLiteral("spider");
        QTest::newRow("exactly five") << QStringLiteral("Slurp") << QStringLiteral("Slurp");
        QTest::newRow("four") << QStringLiteral("Slur") << QString();
        QTest::newRow("five with a trailing space") << QStringLiteral("Slur ") << QString();
        QTest::newRow("trimmed") << QStringLiteral("  Slurp  ") << QStringLiteral("Slurp");
        QTest::newRow("inner space kept") << QStringLiteral(" a b c ") << QStringLiteral("a b c");
        QTest::newRow("Chinese counts per character") << QStringLiteral("百度蜘蛛") << QString();
        QTest::newRow("five Chinese") << QStringLiteral("百度的蜘蛛") << QStringLiteral("百度的蜘蛛");
        QTest::newRow("tab is no space") << QStringLiteral("\tSlur") << QStringLiteral("\tSlur");
    }
    void customToken()
    {
        QFETCH(QString, typed);
        QFETCH(QString, token);
        QCOMPARE(CustomCrawlerToken(typed).value_or(QString()), token);
    }
};

QTEST_APPLESS_MAIN(TestCrawlerCatalogue)
#include "test_crawler_catalogue.moc"
