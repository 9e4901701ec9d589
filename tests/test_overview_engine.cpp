#include "overview/agent_catalogue.h"
#include "overview/agent_classifier.h"
#include "overview/overview_accumulator.h"
#include "overview/overview_chart.h"
#include "overview/overview_run.h"
#include "overview/pair_counts.h"

#include "common/stop_flag.h"
#include "common/hash_bytes.h"
#include "common/table_memory.h"

#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QTest>

#include <set>

namespace {

// A record as a reader hands it over; the views point into `texts`.
struct RecordText
{
    QByteArray agent;
    QByteArray page;  // empty: no page
    QByteArray client = "1.2.3.4";
    int status = 200;
    qint32 day = 20150101;
    qint32 second = 0;
    qint64 bytes = 0;
    LogFamily family = LogFamily::Ncsa;
    QByteArray query{};

    LogRecord record() const
    {
        LogRecord r;
        r.agent = agent;
        r.agentPlusIsSpace = family == LogFamily::W3c;
        r.page = page;
        r.hasPage = !page.isEmpty();
        r.client = client;
        r.status = qint16(status);
        r.day = day;
        r.second = second;
        r.bytes = bytes;
        r.family = family;
        r.query = query;
        return r;
    }
};

// The files read by two jobs taking turns, as a run of two jobs may read
// them, then merged; the agents' figures made on `threads` threads.
OverviewResult Accumulate(const QList<QList<RecordText>> &files, qint32 fromDay = 0, qint32 toDay = 0,
                          int threads = 1, bool keepTargets = false)
{
    static const AgentClassifier classifier(BuiltInAgentCatalogue());
    std::vector<std::unique_ptr<OverviewAccumulator>> jobs;
    for (int job = 0; job < 2; ++job)
        jobs.push_back(std::make_unique<OverviewAccumulator>(classifier, fromDay, toDay, false, keepTargets));
    for (qsizetype file = 0; file < files.size(); ++file) {
        OverviewAccumulator &job = *jobs[std::size_t(file % 2)];
        job.beginInput(file);
        for (const RecordText &text : files[file])
            job.add(text.record());
    }
    OverviewAccumulator run(classifier, fromDay, toDay, false, keepTargets);
    run.mergeJobs(jobs);
    OverviewResult result;
    run.fillResult(result, threads);
    return result;
}

const QByteArray kBaidu = "Mozilla/5.0 (compatible; Baiduspider/2.0; +http://www.baidu.com/search/spider.html)";

}  // namespace

class TestOverviewEngine : public QObject
{
    Q_OBJECT

private slots:
    void builtInCatalogue()
    {
        const AgentCatalogue catalogue = BuiltInAgentCatalogue();
        QVERIFY(catalogue.problems.isEmpty());
        QCOMPARE(catalogue.agents.front().id, QStringLiteral("baiduspider"));
        const CatalogueAgent *google = catalogue.agent(u"googlebot");
        QVERIFY(google);
        QCOMPARE(google->name, QStringLiteral("谷歌蜘蛛"));
        QCOMPARE(google->hostSuffixes, (QStringList{"googlebot.com", "google.com"}));
        QCOMPARE(google->addressLists, QStringList{"googlebot"});
        QCOMPARE(catalogue.agent(u"sogou")->tokens.size(), 7);
        QCOMPARE(catalogue.agent(u"pingdom")->category, AgentCategory::Monitor);
        for (const CatalogueAgent &agent : catalogue.agents)
            for (const QString &list : agent.addressLists)
                QVERIFY2(catalogue.addressList(list), qPrintable(list));
        QCOMPARE(catalogue.addressList(u"special-crawlers")->url,
                 QStringLiteral("https://developers.google.com/static/search/apis/ipranges/special-crawlers.json"));
    }

    void userCatalogue_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("problem");  // empty: used
        QTest::addColumn<QString>("bingName");
        QTest::addColumn<int>("added");
        QTest::newRow("replaces and adds")
            << QByteArray(R"({"agents": [{"id": "bingbot", "name": "必应", "category": "search", "tokens": ["bingbot"]},
                                         {"id": "mybot", "name": "我的", "category": "monitor", "tokens": ["MyBot"]}]})")
            << QString() << QStringLiteral("必应") << 1;
        QTest::newRow("not JSON") << QByteArray("{\"agents\": [") << QStringLiteral("不是有效的 JSON")
                                  << QStringLiteral("必应蜘蛛") << 0;
        QTest::newRow("one bad entry changes nothing")
            << QByteArray(R"({"agents": [{"id": "mybot", "name": "我的", "category": "monitor", "tokens": ["MyBot"]},
                                         {"id": "x", "name": "x", "category": "visitor", "tokens": ["x"]}]})")
            << QStringLiteral("category") << QStringLiteral("必应蜘蛛") << 0;
        QTest::newRow("no tokens") << QByteArray(R"({"agents": [{"id": "x", "name": "x", "category": "ai"}]})")
                                   << QStringLiteral("tokens") << QStringLiteral("必应蜘蛛") << 0;
        QTest::newRow("no agents array") << QByteArray(R"([])") << QStringLiteral("agents")
                                         << QStringLiteral("必应蜘蛛") << 0;
    }
    void userCatalogue()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, problem);
        QFETCH(QString, bingName);
        QFETCH(int, added);
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("crawlers.json"));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(json);
        out.close();
        const AgentCatalogue catalogue = LoadAgentCatalogue(file);
        QCOMPARE(catalogue.problems.size(), problem.isEmpty() ? 0 : 1);
        if (!problem.isEmpty())
            QVERIFY2(catalogue.problems.front().contains(problem), qPrintable(catalogue.problems.front()));
        QCOMPARE(catalogue.agent(u"bingbot")->name, bingName);
        QCOMPARE(catalogue.agents.size(), BuiltInAgentCatalogue().agents.size() + added);
        QCOMPARE(LoadAgentCatalogue(folder.filePath(QStringLiteral("absent.json"))).problems, QStringList());
    }

    // Every fault of a user's file at once, each with its line.
    void catalogueFaultsEachWithTheirLine()
    {
        AgentCatalogue catalogue = BuiltInAgentCatalogue();
        const QStringList faults = OverlayAgentCatalogue(catalogue, R"({
  "agents": [
    {"id": "a", "name": "A", "category": "ai", "tokens": ["ABot"], "colour": "red"},
    {"id": "b", "name": "B", "category": "ai", "tokens": ["BBot"], "address_lists": ["nolist"]},
    {"id": "a", "name": "A2", "category": "ai", "tokens": ["A2Bot"]}
  ],
  "extra": 1
})");
        QCOMPARE(faults, (QStringList{
                             "第 7 行：未知的字段“extra”（可用：agents、address_lists、resolver_check）",
                             "第 3 行：未知的字段“colour”（可用：id、name、family、category、tokens、host_suffixes、address_lists、robots_tokens）",
                             "第 5 行：蜘蛛 id“a”与第 3 行的重复",
                         }
                          + QStringList{QStringLiteral("第 4 行：address_lists 中的“nolist”不是已知的地址列表（可用：")
                                        + [] {
                                              QStringList ids;
                                              for (const AddressListSource &list : BuiltInAgentCatalogue().addressLists)
                                                  ids.append(list.id);
                                              return ids.join(u'、');
                                          }()
                                        + u'）'}));
        QCOMPARE(catalogue.agents.size(), BuiltInAgentCatalogue().agents.size());  // nothing of it used
    }

    // A file whose size the system cannot tell beforehand is read only up
    // to the limit: an endless one is reported, not read without end.
    void endlessUserCatalogue()
    {
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("crawlers.json"));
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), file));
        const AgentCatalogue catalogue = LoadAgentCatalogue(file);
        QCOMPARE(catalogue.problems.size(), 1);
        QCOMPARE(catalogue.agents.size(), BuiltInAgentCatalogue().agents.size());
    }

    void classification_data()
    {
        QTest::addColumn<QByteArray>("agent");
        QTest::addColumn<bool>("plusIsSpace");
        QTest::addColumn<QString>("id");
        QTest::newRow("token in a browser string") << kBaidu << false << "baiduspider";
        QTest::newRow("longest token wins") << QByteArray("Googlebot-Image/1.0") << false << "googlebot-image";
        QTest::newRow("longest, later in the catalogue")
            << QByteArray("Mozilla/5.0 (compatible; Claude-SearchBot/1.0; ClaudeBot)") << false << "claude-searchbot";
        QTest::newRow("letter case ignored") << QByteArray("BAIDUSPIDER-RENDER") << false << "baiduspider-render";
        QTest::newRow("plus read as space in W3C") << QByteArray("Sogou+web+spider/4.0") << true << "sogou";
        QTest::newRow("plus kept elsewhere") << QByteArray("Sogou+web+spider/4.0") << false << "other-bot";
        QTest::newRow("space token, space agent") << QByteArray("Sogou web spider/4.0") << false << "sogou";
        QTest::newRow("catalogue before script") << QByteArray("curl/8.0 Googlebot") << false << "googlebot";
        QTest::newRow("script before bot word") << QByteArray("python-requests/2.31 robot") << false << "script";
        QTest::newRow("script, other case") << QByteArray("WGET/1.21") << false << "script";
        QTest::newRow("bot word") << QByteArray("Mozilla/5.0 (compatible; NewCrawler/1.0)") << false << "other-bot";
        QTest::newRow("slurp is a catalogue token") << QByteArray("Yahoo! Slurp") << false << "slurp";
        QTest::newRow("empty") << QByteArray() << false << "no-agent";
        QTest::newRow("dash") << QByteArray("-") << true << "no-agent";
        QTest::newRow("browser") << QByteArray("Mozilla/5.0 (Windows NT 10.0) Firefox/121.0") << false << "browser";
        QTest::newRow("token split by the end") << QByteArray("Baiduspi") << false << "browser";
    }
    void classification()
    {
        QFETCH(QByteArray, agent);
        QFETCH(bool, plusIsSpace);
        QFETCH(QString, id);
        const AgentClassifier classifier(BuiltInAgentCatalogue());
        QCOMPARE(classifier.classes()[classifier.classify(agent, plusIsSpace)].id, id);
    }

    void firstBotWord_data()
    {
        QTest::addColumn<QByteArray>("agent");
        QTest::addColumn<QByteArray>("word");
        QTest::newRow("version after a slash") << QByteArray("Golang_Spider_Bot/3.6") << QByteArray("Golang_Spider_Bot");
        QTest::newRow("inside a browser string")
            << QByteArray("Mozilla/5.0 (compatible; Mail.RU_Bot/2.0; +http://go.mail.ru/help/robots)")
            << QByteArray("Mail.RU_Bot");
        QTest::newRow("W3C plus signs") << QByteArray("Mozilla/5.0+(compatible;+SomeSpider-2.1)") << QByteArray("SomeSpider");
        QTest::newRow("version with v") << QByteArray("x ACrawler_v3") << QByteArray("ACrawler");
        QTest::newRow("digits that are part of the name") << QByteArray("bot360") << QByteArray("bot360");
        QTest::newRow("none") << QByteArray("Mozilla/5.0 Firefox/121.0") << QByteArray();
    }
    void firstBotWord()
    {
        QFETCH(QByteArray, agent);
        QFETCH(QByteArray, word);
        QCOMPARE(FirstBotWord(agent).toByteArray(), word);
    }

    void otherBotsByWord()
    {
        const OverviewResult result = Accumulate({
            {{"Mozilla/5.0 (compatible; ZoomBot/1.0)", "/a"}, {"zoombot/2.0", "/a"}, {"XBot", "/a", "1.1.1.2", 200, 20150105}},
            {{"ZOOMBOT", "/b"}, {"abot/1", "/b"}, {"Mozilla/5.0 Firefox/121.0", "/b"}, {kBaidu, "/b"}},
        }, 20150101, 20150102);
        QCOMPARE(result.otherBots.size(), 2);  // XBot lies out of the date range, the rest are no other bot
        QCOMPARE(result.otherBots[0].token, QStringLiteral("ZoomBot"));  // letter case ignored, first spelling kept
        QCOMPARE(result.otherBots[0].requests, 3);
        QCOMPARE(result.otherBots[1].token, QStringLiteral("abot"));
    }

    // Past the 10,000 words a result lists, the words met first are listed
    // whichever jobs read the inputs: a heavy word met late in the second
    // file is left out by one job and by two alike.
    void botWordsPastTheListedAlikeForAnyJobs()
    {
        auto bot = [](char prefix, int number) -> QByteArray { return prefix + QByteArray::number(number) + "bot/1"; };
        QList<RecordText> first{{bot('w', 0), "/a"}};
        QList<RecordText> second;
        for (int i = 0; i < 6000; ++i)
            first.append({bot('w', i), "/a"});
        for (int i = 0; i < 6000; ++i) {
            second.append({bot('x', i), "/b"});
            if (i == 5000)
                for (int heavy = 0; heavy < 50; ++heavy)
                    second.append(RecordText{"LateBot/2", "/b"});
        }
        const OverviewResult together = Accumulate({first + second});
        const OverviewResult split = Accumulate({first, second});
        QCOMPARE(together.otherBots.size(), 20);
        QCOMPARE(together.otherBots.front().token, QStringLiteral("w0bot"));
        QCOMPARE(together.otherBots.front().requests, 2);
        QCOMPARE(split.otherBots.size(), together.otherBots.size());
        for (qsizetype i = 0; i < split.otherBots.size(); ++i) {
            QCOMPARE(split.otherBots[i].token, together.otherBots[i].token);
            QCOMPARE(split.otherBots[i].requests, together.otherBots[i].requests);
        }
    }

    // A crawler's queried targets are numbered in reading order however
    // the jobs share the inputs: the targets of an input's last records,
    // still waiting when the job begins its next input, are that input's.
    void queriedTargetsInReadingOrder()
    {
        QList<QList<RecordText>> files(3);
        QList<QByteArray> read;
        for (qsizetype file = 0; file < files.size(); ++file) {
            for (int i = 0; i < 6; ++i) {
                read.append("q=" + QByteArray::number(file * 10 + i));
                files[file].append({.agent = kBaidu, .page = "/p", .query = read.back()});
            }
        }
        const OverviewResult result = Accumulate(files, 0, 0, 1, true);  // files 0 and 2 in one job
        QCOMPARE(qsizetype(result.queriedTargets.size()), read.size());
        for (qsizetype i = 0; i < read.size(); ++i)
            QCOMPARE(result.queryTable->bytes(result.queriedTargets[std::size_t(i)].query), read[i]);
    }

    void equalLengthTokensGoToTheEarlierAgent()
    {
        AgentCatalogue catalogue;
        catalogue.agents = {{"first", "一", "", AgentCategory::Search, {"AbcBot"}, {}, {}, {}},
                            {"second", "二", "", AgentCategory::Search, {"XyzBot", "abcbot"}, {}, {}, {}}};
        const AgentClassifier classifier(catalogue);
        QCOMPARE(classifier.classes()[classifier.classify("abcbot xyzbot", false)].id, QStringLiteral("first"));
        QCOMPARE(classifier.classes()[classifier.classify("xyzbot", false)].id, QStringLiteral("second"));
    }

    void agentFigures()
    {
        const QByteArray google = "Googlebot/2.1";
        const OverviewResult result = Accumulate({
            {{kBaidu, "/a", "1.1.1.1", 200, 20150101, 10, 100},
             {kBaidu, "/b", "1.1.1.2", 404, 20150101, 20, 50},
             {kBaidu, "/b", "1.1.1.2", 404, 20150102, 30},
             {kBaidu, "/c", "::1", 304, 20150102, 40},
             {kBaidu, "", "1.1.1.1", 0, 20150102, 50}},
            {{kBaidu, "/A", "1.1.1.1", 503, 20141231, 86399},
             {google, "/a", "1.1.1.1", 200, 20150103, 5},
             {"Mozilla/5.0", "/a", "", 200, 0, -1}},
        });
        QCOMPARE(result.agents.size(), 3);
        const AgentOverview &baidu = result.agents.front();
        QCOMPARE(baidu.id, QStringLiteral("baiduspider"));
        QCOMPARE(baidu.requests, 6);
        QCOMPARE(baidu.pages, 4);       // NCSA pages keep letter case: /a and /A
        QCOMPARE(baidu.validPages, 2);  // /a (200) and /c (304)
        QCOMPARE(baidu.bytes, 150);
        QCOMPARE(baidu.clients, 3);
        QCOMPARE(baidu.status, (QMap<int, qint64>{{200, 1}, {304, 1}, {404, 2}, {503, 1}}));
        QCOMPARE(baidu.classes, (std::array<qint64, kStatusClassCount>{1, 1, 2, 1, 1}));
        QCOMPARE(baidu.days.value(QDate(2015, 1, 2)), 3);
        QCOMPARE(baidu.first, QDateTime(QDate(2014, 12, 31), QTime(23, 59, 59), Qt::UTC));
        QCOMPARE(baidu.last, QDateTime(QDate(2015, 1, 2), QTime(0, 0, 50), Qt::UTC));
        QCOMPARE(result.pageText(baidu.topPages.front().page), QStringLiteral("/b"));
        QCOMPARE(baidu.topPages.size(), 4);
        QCOMPARE(result.pageText(baidu.topPages[1].page), QStringLiteral("/A"));  // ties by code point: A < a < c
        QCOMPARE(baidu.topErrors.size(), 2);
        QCOMPARE(baidu.topErrors.front().status, 404);
        QCOMPARE(baidu.topErrors.front().requests, 2);
        const QList<AgentPage> pages = baidu.pageList();
        QCOMPARE(pages.size(), 4);
        QCOMPARE(result.pageText(pages[1].page), QStringLiteral("/b"));
        QCOMPARE(pages[1].requests, 2);
        QCOMPARE(pages[1].statuses, QList<int>{404});
        QCOMPARE(pages[1].lastSeen, QDateTime(QDate(2015, 1, 2), QTime(0, 0, 30), Qt::UTC));
        QCOMPARE(result.categories[int(AgentCategory::Search)], 7);
        QCOMPARE(result.categories[int(AgentCategory::Visitor)], 1);
        QCOMPARE(result.agents[1].id, QStringLiteral("browser"));  // ties by id
        QVERIFY(!result.agents[1].first.isValid());
        QCOMPARE(result.days.value(QDate(2015, 1, 3)), 1);
    }

    // Past 4,096 pairs a crawler's pairs are put in order by counting pages: every
    // page once, its codes in order.
    void manyPairsInOrder()
    {
        QList<RecordText> records;
        for (int page = 0; page < 40000; ++page)
            for (int status : {404, 200})
                records.append({kBaidu, "/p" + QByteArray::number(page % 2 ? 40000 - page : page), "1.1.1.1", status});
        const OverviewResult result = Accumulate({records});
        const AgentOverview &baidu = result.agents.front();
        QCOMPARE(baidu.pages, 40000);
        QCOMPARE(baidu.validPages, 40000);
        QCOMPARE(baidu.pageStatuses.size(), 80000);
        for (qsizetype i = 1; i < baidu.pageStatuses.size(); ++i) {
            const PageStatusRequests &before = baidu.pageStatuses[i - 1];
            const PageStatusRequests &after = baidu.pageStatuses[i];
            QVERIFY(before.page < after.page || (before.page == after.page && before.status < after.status));
        }
    }

    void w3cPagesIgnoreCaseAndNeverMeetOthers()
    {
        // A way of writing a page seen again, and letters beyond ASCII, too.
        const OverviewResult result = Accumulate({{{"x", "/Index.htm", "", 200, 1, 0, 0, LogFamily::W3c},
                                                   {"x", "/index.HTM", "", 200, 1, 0, 0, LogFamily::W3c},
                                                   {"x", "/index.HTM", "", 200, 1, 0, 0, LogFamily::W3c},
                                                   {"x", "/Index.htm", "", 200, 1, 0, 0, LogFamily::Ncsa},
                                                   {"x", "/ÉTÉ", "", 200, 1, 0, 0, LogFamily::W3c},
                                                   {"x", "/été", "", 200, 1, 0, 0, LogFamily::W3c},
                                                   {"x", "/新闻", "", 200, 1, 0, 0, LogFamily::W3c}}});
        const AgentOverview &agent = result.agents.front();
        QCOMPARE(agent.pages, 4);
        QCOMPARE(result.pageText(agent.topPages[0].page), QStringLiteral("/Index.htm"));
        QCOMPARE(agent.topPages[0].requests, 3);
        QCOMPARE(result.pageText(agent.topPages[1].page), QStringLiteral("/ÉTÉ"));
        QCOMPARE(agent.topPages[1].requests, 2);
        QCOMPARE(result.pageCount(), 4);
    }

    // A W3C section shows as the first agent in catalogue order first wrote
    // it, whichever thread made that agent's figures.
    void sectionTextsInAgentOrder()
    {
        const QList<RecordText> file{{"Mozilla/5.0", "/news/a", "", 200, 1, 0, 0, LogFamily::W3c},
                                     {kBaidu, "/NEWS/b", "", 404, 1, 0, 0, LogFamily::W3c}};
        for (const int threads : {1, 2}) {
            const OverviewResult result = Accumulate({file}, 0, 0, threads);
            QCOMPARE(result.agents.size(), 2);
            for (const AgentOverview &agent : result.agents) {
                QCOMPARE(agent.sections.size(), 1);
                QCOMPARE(agent.sections.front().section, QStringLiteral("/NEWS/"));
                QCOMPARE(agent.sections.front().pages, 1);
            }
            QCOMPARE(result.agents.front().sections.front().errors + result.agents.back().sections.front().errors, 1);
        }
    }

    // A pair keeps few requests in its own word and hands the rest on: the
    // sum and the latest time must come out whole either way.
    void pairRequestsPastTheWord_data()
    {
        QTest::addColumn<QList<qint64>>("counted");
        QTest::newRow("below the word's limit") << QList<qint64>{(1 << 19) - 2};
        QTest::newRow("at it") << QList<qint64>{(1 << 19) - 1, 1};
        QTest::newRow("past it twice") << QList<qint64>{1 << 19, 5, (1 << 19) + 3};
        QTest::newRow("a long range") << QList<qint64>{qint64(1) << 40, 2};
    }
    void pairRequestsPastTheWord()
    {
        QFETCH(QList<qint64>, counted);
        static const AgentClassifier classifier(BuiltInAgentCatalogue());
        OverviewAccumulator figures(classifier, 0, 0);
        const int baidu = classifier.classify(kBaidu, false);
        const qint32 page = figures.internPage("/a", LogFamily::Ncsa);
        qint64 total = 1;
        for (qint64 requests : counted) {
            figures.addCountedPairs(baidu, {{page, 200, requests, 20150102, 7}});
            total += requests;
        }
        figures.add(RecordText{kBaidu, "/a", "", 200, 20150101, 9}.record());
        OverviewResult result;
        figures.fillResult(result);
        const PageStatusRequests &pair = result.agents.front().pageStatuses.front();
        QCOMPARE(pair.requests, total);
        QCOMPARE(pair.lastSeen, QDateTime(QDate(2015, 1, 2), QTime(0, 0, 7), Qt::UTC));
    }

    // The tables take a key's place from the low bits of its hash: keys
    // that share most of their bytes must still spread over them.
    void tableHashSpreadsKeys_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("same ending") << QByteArray("/p") << QByteArray("/products/detail/show.jpg");
        QTest::newRow("same beginning") << QByteArray("/products/detail/show") << QByteArray(".jpg");
        QTest::newRow("short") << QByteArray() << QByteArray();
        QTest::newRow("agents") << QByteArray("Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 Chrome/")
                                << QByteArray(".0.0.0 Safari/537.36");
    }
    void tableHashSpreadsKeys()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        constexpr int kKeys = 4096;
        std::set<quint64> places;
        for (int i = 0; i < kKeys; ++i) {
            const QByteArray key = before + QByteArray::number(i) + after;
            QCOMPARE(TableHash(key), TableHash(QByteArray(key)));
            places.insert(TableHash(key) & 0xffff);
        }
        QVERIFY2(places.size() > kKeys * 9 / 10, qPrintable(QString::number(places.size())));
    }

    // A growing array keeps its values as it grows from the heap into huge
    // pages and from there, moved, to larger ones; what resize() adds is zero.
    void growingArrayKeepsItsValues()
    {
        GrowingArray<quint32> array;
        constexpr quint32 kCount = 1500000;  // 6 MB: the heap, then three growths in huge pages
        for (quint32 i = 0; i < kCount; ++i)
            array.push_back(i * 7);
        const quint32 more[] = {1, 2, 3};
        array.append(more, 3);
        array.resize(kCount + 1000000);
        GrowingArray<quint32> moved(std::move(array));
        QCOMPARE(moved.size(), std::size_t(kCount + 1000000));
        bool kept = true;
        for (quint32 i = 0; i < kCount; ++i)
            kept = kept && moved[i] == i * 7;
        QVERIFY(kept);
        QCOMPARE(moved[kCount + 2], 3u);
        QCOMPARE(moved[kCount + 3], 0u);
        QCOMPARE(moved[kCount + 999999], 0u);
    }

    // An agent's 200s move from the hash table into an array by page id once
    // they fill enough of it: every pair comes out as counted, whichever
    // place held it and whenever it moved.
    void pairCountsInEitherPlace_data()
    {
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("stride");  // between the page ids asked
        QTest::newRow("few pages: hashed") << 100 << 1;
        QTest::newRow("many: an array, grown several times") << 40000 << 1;
        QTest::newRow("few of many: hashed") << 6000 << 50;
    }
    void pairCountsInEitherPlace()
    {
        QFETCH(int, pages);
        QFETCH(int, stride);
        PairCounts counts;
        std::map<quint64, std::pair<qint64, qint64>> expected;  // key → requests, last time
        std::size_t pageCount = 0;
        auto count = [&](qint32 page, int status, qint64 requests, qint64 time) {
            pageCount = std::max(pageCount, std::size_t(std::max(page, 0)) + 1);
            counts.add(PairKey(page, status), requests, time, pageCount);
            auto &[sum, last] = expected[PairKey(page, status)];
            sum += requests;
            last = std::max(last, time);
        };
        for (int round = 0; round < 2; ++round)
            for (qint32 i = 0; i < pages; ++i) {
                count(i * stride, 200, 1, (i * 7919 + round) % 1000);
                if (i % 7 == 0)
                    count(i * stride, 404, 2, i);
            }
        count(qint32(0x80000005), 200, 3, 1);  // a queried target
        count(stride, 200, (1 << 19) + 5, 2);  // more than a word holds
        std::map<quint64, std::pair<qint64, qint64>> counted;
        counts.forEach([&](quint64 key, PairCounts::Tally tally) {
            QVERIFY(counted.emplace(key, std::pair{tally.requests, tally.lastTime}).second);
        });
        QCOMPARE(counts.size(), expected.size());
        QVERIFY(counted == expected);
    }

    // Pair times are made from the start of their day, kept while the days
    // repeat; a leap second's 86400 wraps to the day's start as before.
    void pairTimesAcrossDays()
    {
        const OverviewResult result = Accumulate({{{kBaidu, "/a", "", 200, 20150101, 5},
                                                   {kBaidu, "/b", "", 200, 20150102, 86400},
                                                   {kBaidu, "/c", "", 200, 20150101, 86399},
                                                   {kBaidu, "/d", "", 200, 0, -1}}});
        const QList<PageStatusRequests> &pairs = result.agents.front().pageStatuses;
        QCOMPARE(pairs.size(), 4);
        QCOMPARE(pairs[0].lastSeen, QDateTime(QDate(2015, 1, 1), QTime(0, 0, 5), Qt::UTC));
        QCOMPARE(pairs[1].lastSeen, QDateTime(QDate(2015, 1, 2), QTime(0, 0), Qt::UTC));
        QCOMPARE(pairs[2].lastSeen, QDateTime(QDate(2015, 1, 1), QTime(23, 59, 59), Qt::UTC));
        QVERIFY(!pairs[3].lastSeen.isValid());
    }

    void dateRange_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<qint64>("requests");
        QTest::newRow("open") << 0 << 0 << qint64(4);
        QTest::newRow("from is inclusive") << 20150102 << 0 << qint64(2);
        QTest::newRow("to is inclusive") << 0 << 20150102 << qint64(2);
        QTest::newRow("one day") << 20150102 << 20150102 << qint64(1);
        QTest::newRow("undated records only without a range") << 20150101 << 20150103 << qint64(3);
    }
    void dateRange()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(qint64, requests);
        const OverviewResult result = Accumulate(
            {{{kBaidu, "/", "", 200, 20150101}, {kBaidu, "/", "", 200, 20150102}, {kBaidu, "/", "", 200, 20150103},
              {kBaidu, "/", "", 200, 0}}},
            from, to);
        QCOMPARE(result.requests(), requests);
    }

    void mergeEqualsOnePass()
    {
        // W3C pages in other letter case and bot words met first by the job
        // that reads the later files: shown as the first file wrote them.
        QList<RecordText> all;
        for (int i = 0; i < 300; ++i) {
            const bool second = i >= 100 && i < 107;  // the second file
            all.append({i % 3 || i < 100 ? kBaidu : second ? QByteArray("x NewBot/1") : QByteArray("x NEWBOT/1"),
                        (second ? "/P" : "/p") + QByteArray::number(i % 37 + (i >= 100 ? 40 : 0)),
                        "10.0.0." + QByteArray::number(i % 11), 200 + (i % 5) * 100, 20150101 + i % 4, i, 0,
                        i % 2 ? LogFamily::W3c : LogFamily::Ncsa});
        }
        const OverviewResult together = Accumulate({all});
        const OverviewResult split = Accumulate({all.mid(0, 100), all.mid(100, 7), all.mid(107)});
        QCOMPARE(split.pageCount(), together.pageCount());
        for (qint32 page = 0; page < qint32(split.pageCount()); ++page)
            QCOMPARE(split.pageText(page), together.pageText(page));
        QCOMPARE(split.otherBots.size(), 1);
        QCOMPARE(split.otherBots.front().token, together.otherBots.front().token);
        QCOMPARE(split.agents.size(), together.agents.size());
        for (qsizetype i = 0; i < split.agents.size(); ++i) {
            const AgentOverview &a = split.agents[i];
            const AgentOverview &b = together.agents[i];
            QCOMPARE(a.id, b.id);
            QCOMPARE(a.pages, b.pages);
            QCOMPARE(a.validPages, b.validPages);
            QCOMPARE(a.clients, b.clients);
            QCOMPARE(a.status, b.status);
            QCOMPARE(a.last, b.last);
            QCOMPARE(a.topPages.size(), b.topPages.size());
            for (qsizetype p = 0; p < a.topPages.size(); ++p)
                QCOMPARE(split.pageText(a.topPages[p].page), together.pageText(b.topPages[p].page));
        }
    }

    void charts()
    {
        const OverviewResult result = Accumulate({{{kBaidu, "/", "", 200, 20150101}, {kBaidu, "/", "", 404, 20150103},
                                                   {kBaidu, "/", "", 404, 20150103}, {"Googlebot", "/", "", 500, 20150102},
                                                   {"Mozilla/5.0", "/", "", 200, 20150102}}});
        QCOMPARE(BusiestCrawlers(result, 5), (QStringList{"baiduspider", "googlebot"}));

        const Chart days = DrawDayChart(result, {"baiduspider", "googlebot", "absent"});
        QCOMPARE(days.series.size(), 2);
        QCOMPARE(days.series[0].points.size(), 3);  // the day without a request is a 0
        QCOMPARE(days.series[0].points[1].value, 0);
        QCOMPARE(days.series[0].points[2].value, 2);
        QVERIFY(days.plotArea.contains(days.series[0].points[2].at));
        const std::optional<ChartHit> hit = ChartHitAt(days, days.series[0].points[2].at + QPointF(3, 3));
        QVERIFY(hit);
        QCOMPARE(hit->text, QStringLiteral("百度蜘蛛 2015-01-03：2 次"));
        QVERIFY(!ChartHitAt(days, QPointF(0, 0)));

        const Chart status = DrawStatusChart(result, {"baiduspider", "googlebot"});
        QCOMPARE(status.bars.size(), 3);  // baidu 2xx and 4xx, google 5xx
        QCOMPARE(status.bars[1].rect.width(), 2 * status.bars[0].rect.width());
        const std::optional<ChartHit> bar = ChartHitAt(status, status.bars[1].rect.center());
        QCOMPARE(bar ? bar->text : QString(), QStringLiteral("百度蜘蛛 4xx：2 次"));

        for (const auto &[chart, lines] : {std::pair{days, 2}, std::pair{status, 0}, std::pair{DrawDayChart(result, {}), 0}}) {
            QXmlStreamReader svg(chart.svg);
            int polylines = 0;
            while (!svg.atEnd())
                if (svg.readNext() == QXmlStreamReader::StartElement && svg.name() == QLatin1String("polyline"))
                    ++polylines;
            QVERIFY2(!svg.hasError(), qPrintable(svg.errorString()));
            QCOMPARE(polylines, lines);
        }
    }

    void runProgressAndStop()
    {
        QTemporaryDir folder;
        for (const char *name : {"a.log", "b.log"}) {
            QFile file(folder.filePath(QLatin1String(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            for (int i = 0; i < 20000; ++i)
                file.write("1.2.3.4 - - [01/Jan/2015:00:00:00 +0800] \"GET /p HTTP/1.1\" 200 5 \"-\" \"" + kBaidu + "\"\n");
        }
        OverviewRequest request;
        request.paths = {folder.path()};
        request.jobs = 2;
        OverviewProgress progress;
        const OverviewResult whole = RunOverview(request, BuiltInAgentCatalogue(), &progress);
        QVERIFY(!whole.stopped);
        QCOMPARE(whole.records, 40000);
        QCOMPARE(progress.records.load(), 40000);
        QCOMPARE(progress.bytesRead.load(), progress.totalBytes.load());
        QVERIFY(progress.totalBytes > 0);

        StopFlag stop;
        stop.request();
        const OverviewResult stopped = RunOverview(request, BuiltInAgentCatalogue(), nullptr, &stop);
        QVERIFY(stopped.stopped);
        QVERIFY(stopped.records < 40000);
    }
};

QTEST_GUILESS_MAIN(TestOverviewEngine)
#include "test_overview_engine.moc"
