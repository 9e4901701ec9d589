#include "common/stop_flag.h"
#include "indexing/indexing_run.h"
#include "indexing/net/network_page_source.h"
#include "support/crawl_fixtures.h"
#include "support/fake_web_services.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray file(const QString &definitions) { return (u"{\"services\": [" + definitions + u"]}").toUtf8(); }

// A sound added service but for its rule.
const QString kMine = QString::fromUtf8(
    "{\"key\": \"mine\", \"caption\": \"我的\", \"label\": \" 我的收录：\", \"kind\": \"count\", \"route\": \"http\","
    " \"base\": \"http://127.0.0.1:1\", \"query\": \"/s?wd={site}\", \"extract\": %1}");

// A serp definition, its query and results rule to fill in.
const QString kSerp = QString::fromUtf8(
    "{\"key\": \"fake\", \"caption\": \"假\", \"label\": \"假\", \"kind\": \"serp\", \"base\": \"http://127.0.0.1:1\","
    " \"query\": \"%1\", \"per_page\": 10, \"results\": %2}");

}  // namespace

class TestServiceDefinitions : public QObject
{
    Q_OBJECT

private slots:
    // A faulty file says where, and the ten stay in force.
    void malformedFiles_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QStringList>("told");
        QTest::newRow("JSON syntax") << QByteArray("{\"services\": [\n  {\"key\": \"a\",\n  \"caption\" 3}]}")
                                     << QStringList{"第 3 行", "JSON"};
        QTest::newRow("no services list") << QByteArray("{\"service\": []}") << QStringList{"services"};
        QTest::newRow("missing field") << file("{\"key\": \"a\", \"label\": \"x\", \"kind\": \"count\", \"route\": \"http\"}")
                                       << QStringList{"“a”", "“caption”", "缺少"};
        QTest::newRow("regex does not compile") << file(kMine.arg(QString::fromUtf8("{\"regex\": \"([0-9]+\"}")))
                                                << QStringList{"“mine”", "“extract”", "regex 无法编译"};
        QTest::newRow("regex with two groups") << file(kMine.arg(QString::fromUtf8("{\"regex\": \"(a)([0-9]+)\"}")))
                                               << QStringList{"“mine”", "捕获组"};
        QTest::newRow("no such route") << file("{\"key\": \"baidu\", \"route\": \"ftp\"}") << QStringList{"“baidu”", "“route”"};
        QTest::newRow("no such routine") << file(kMine.arg(QString::fromUtf8("\"bing\""))) << QStringList{"“extract”", "内置规则"};
        QTest::newRow("markers and regex") << file(kMine.arg(QString::fromUtf8("{\"before\": \"a\", \"after\": \"b\", \"regex\": \"(1)\"}")))
                                           << QStringList{"“extract”", "二者取一"};
        QTest::newRow("misspelt field") << file("{\"key\": \"baidu\", \"lable\": \"x\"}") << QStringList{"“lable”"};
        QTest::newRow("query without the site") << file("{\"key\": \"baidu\", \"query\": \"/s?wd=x\"}")
                                                << QStringList{"“query”", "{site}"};
        QTest::newRow("bad base") << file("{\"key\": \"baidu\", \"base\": \"http://x/path\"}") << QStringList{"“base”"};
        QTest::newRow("key twice") << file("{\"key\": \"baidu\"}, {\"key\": \"baidu\"}") << QStringList{"“baidu”", "重复"};
        QTest::newRow("serp with a built-in key") << file("{\"key\": \"baidu\", \"kind\": \"serp\"}")
                                                  << QStringList{"“baidu”", "另取名字"};
        QTest::newRow("serp query without a page") << file(kSerp.arg("/s?q={keyword}", "{\"regex\": \"(a)\"}"))
                                                   << QStringList{"“query”", "{page}"};
        QTest::newRow("serp results with two groups") << file(kSerp.arg("/s?q={keyword}&p={page}", "{\"regex\": \"(a)(b)\"}"))
                                                      << QStringList{"“results”", "捕获组"};
        QTest::newRow("serp results as a word") << file(kSerp.arg("/s?q={keyword}&p={page}", "\"a\""))
                                                << QStringList{"“results”", "regex"};
        QTest::newRow("serp with a count field") << file(QString(kSerp).replace("\"per_page\"", "\"extract\": \"baidu\", \"per_page\"")
                                                             .arg("/s?q={keyword}&p={page}", "{\"regex\": \"(a)\"}"))
                                                 << QStringList{"“extract”", "不是定义的字段"};
    }
    void malformedFiles()
    {
        QFETCH(QByteArray, json);
        QFETCH(QStringList, told);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("services.json"));
        WriteFile(path, json);
        const ServiceCatalogue catalogue = LoadServiceCatalogue(path, true);
        for (const QString &part : told)
            QVERIFY2(catalogue.fault.contains(part), qPrintable(catalogue.fault));
        QVERIFY(catalogue.fault.contains(QStringLiteral("services.json")));
        QCOMPARE(catalogue.services.size(), 10);
        QCOMPARE(catalogue.services.at(0).extract.builtinName, QStringLiteral("baidu"));
        QVERIFY(LoadServiceCatalogue(dir.filePath("missing.json"), false).fault.isEmpty());
        QVERIFY(!LoadServiceCatalogue(dir.filePath("missing.json"), true).fault.isEmpty());
    }

    void numbersWithUnits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("value");  // -1: no number
        QTest::newRow("亿 and 万") << "1亿2345万" << qint64(123450000);
        QTest::newRow("万 at the end") << "12万" << qint64(120000);
        QTest::newRow("万 inside") << "3万4567" << qint64(34567);
        QTest::newRow("fraction") << "1.5万" << qint64(15000);
        QTest::newRow("plain") << " 1234 " << qint64(1234);
        QTest::newRow("unit alone") << "万" << qint64(-1);
        QTest::newRow("no number") << "约12万" << qint64(-1);
    }
    void numbersWithUnits()
    {
        QFETCH(QString, text);
        QFETCH(qint64, value);
        QCOMPARE(ParseNumberWithUnits(text).value_or(-1), value);
    }

    // User rules against the local services: a marker rule, a regular
    // expression with 万, and a built-in replaced by key; the added services'
    // lines follow the ten.
    void userRulesCountRight()
    {
        FakeWebServices web;
        const QString path = QStringLiteral(TRAWLEX_TEST_DATA "/user_services.json");
        const ServiceCatalogue catalogue = LoadServiceCatalogue(path, true);
        QVERIFY2(catalogue.fault.isEmpty(), qPrintable(catalogue.fault));
        QCOMPARE(catalogue.services.size(), 12);
        QCOMPARE(catalogue.services.at(9).checkBox, QStringLiteral("Check10"));
        QCOMPARE(catalogue.services.at(9).label, QStringLiteral(" alexa排名："));  // left out: the built-in's
        QCOMPARE(catalogue.services.at(11).checkBox, QStringLiteral("Check12"));
        QCOMPARE(catalogue.services.at(11).origin, path);
        const QString example = QStringLiteral(TRAWLEX_TEST_DATA "/../../docs/services.example.json");
        QCOMPARE(LoadServiceCatalogue(example, true).fault, QString());
        QCOMPARE(LoadServiceCatalogue(example, true).serp.size(), 4);

        IndexingRunContext context;
        context.services = catalogue.services;
        for (const IndexingService &service : catalogue.services)
            context.baseUrls.insert(service.settingsKey, web.base());
        context.ticked = [](const IndexingService &service) { return service.settingsKey != QLatin1String("google")
                                                                     && service.settingsKey != QLatin1String("sogou"); };
        SiteList sites;
        sites.append({QStringLiteral("a.cn"), QString(), true});
        NetworkPageSource pages;
        RecordingRunOutput output;
        StopFlag stop;
        RunIndexingAnalysis(sites, context, pages, output, stop);
        QCOMPARE(output.lines().mid(8, 3), (QStringList{"a.cn   alexa排名：12345", "a.cn   标记收录：      1234篇",
                                                        "a.cn   万字收录：   3万4567篇"}));
    }
};

QTEST_GUILESS_MAIN(TestServiceDefinitions)
#include "test_service_definitions.moc"
