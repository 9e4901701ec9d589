#include "common/stop_flag.h"
#include "support/tiny_dns_server.h"
#include "verification/cares_resolver.h"
#include "verification/dns_names.h"
#include "verification/table_dns_resolver.h"
#include "verification/verification.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QHttpServer>
#include <QHttpServerResponder>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QUdpSocket>

#include <csignal>

#include <atomic>

namespace {

const QHostAddress kGood(QStringLiteral("66.249.66.1"));
const QHostAddress kGoodV6(QStringLiteral("2001:4860:4801:10::1"));

VerificationRules testRules()
{
    VerificationRules rules;
    rules.agents.insert(QStringLiteral("googlebot"), {{"googlebot.com", "google.com"}, {"googlebot"}});
    rules.agents.insert(QStringLiteral("baiduspider"), {{"baidu.com"}, {}});
    rules.agents.insert(QStringLiteral("gptbot"), {{}, {"gptbot"}});
    rules.agents.insert(QStringLiteral("perplexitybot"), {{}, {"perplexitybot"}});
    rules.agents.insert(QStringLiteral("applebot"), {{}, {"applebot"}});
    return rules;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

const QByteArray kGptbotList =
    R"({"creationTime": "2026-12-01T00:00:00", "prefixes": [{"ipv4Prefix": "20.15.240.64/28"}, {"ipv6Prefix": "2603:1030::/32"}]})";
const QByteArray kGooglebotList = R"({"creationTime": "2026-12-02T00:00:00", "prefixes": [{"ipv4Prefix": "66.249.79.0/27"}]})";

// Lists in a folder of their own: gptbot and googlebot good, applebot broken, perplexitybot missing.
struct ListFolder
{
    QTemporaryDir dir;
    ListFolder()
    {
        writeFile(dir.filePath("gptbot.json"), kGptbotList);
        writeFile(dir.filePath("googlebot.json"), kGooglebotList);
        writeFile(dir.filePath("applebot.json"), R"({"prefixes": [{"ipv4Prefix": "17.0.0.0/99"}]})");
    }
};

// The world the table resolver knows.
void fillWorld(TableDnsResolver &dns)
{
    dns.addHost(kGood, "crawl-66-249-66-1.googlebot.com");
    dns.addHost(kGoodV6, "crawl-v6.googlebot.com");
    dns.addHost(QHostAddress("1.2.3.4"), "host.googleusercontent.com");
    dns.addHost(QHostAddress("1.2.3.5"), "googlebot.com.evil.example");
    dns.addHost(QHostAddress("1.2.3.6"), "crawl.xgooglebot.com");
    dns.setNameReply(QHostAddress("1.2.3.8"), {DnsStatus::Answer, {"fake.googlebot.com"}, {}, {}});
    dns.setAddressReply("fake.googlebot.com", {DnsStatus::Answer, {}, {QHostAddress("66.249.66.2")}, {}});
    dns.setNameReply(QHostAddress("1.2.3.9"), {DnsStatus::TimedOut, {}, {}, QStringLiteral("DNS 超时")});
    dns.setNameReply(QHostAddress("1.2.3.10"), {DnsStatus::Answer, {"x.googlebot.com"}, {}, {}});
    dns.setAddressReply("x.googlebot.com", {DnsStatus::ServerFailure, {}, {}, QStringLiteral("名称服务器失败（SERVFAIL）")});
    dns.addHost(QHostAddress("123.125.71.1"), "baiduspider-123-125-71-1.crawl.baidu.com.");
    dns.addHost(QHostAddress("1.2.3.11"), "\x1b]0;owned\x07\r\n" + QByteArray(5000, '\xff') + ".googlebot.com");
}

VerificationOptions optionsFor(const ListFolder &lists, const QString &cachePath = QString())
{
    VerificationOptions options;
    options.addressListFolder = lists.dir.path();
    options.dnsCachePath = cachePath;
    return options;
}

struct CliResult
{
    int status;
    QString out;
    QString err;
};

// The command line with its per-user folders in `home`; the event loop turns
// meanwhile, so that the test's own servers can answer it.
CliResult cli(const QTemporaryDir &home, const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *variable : {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"})
        environment.insert(QLatin1String(variable), home.filePath(QLatin1String(variable)));
    process.setProcessEnvironment(environment);
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    process.start(QStringLiteral(TRAWLEX_BIN "/trawlex-cli"), arguments);
    if (process.state() != QProcess::NotRunning)
        loop.exec();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace

class TestVerification : public QObject
{
    Q_OBJECT

private slots:
    void suffixAtLabelBoundary_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("matches");
        QTest::newRow("under") << QByteArray("crawl-1.googlebot.com") << true;
        QTest::newRow("itself, trailing dot, case") << QByteArray("GoogleBot.COM.") << true;
        QTest::newRow("longer first label") << QByteArray("crawl.xgooglebot.com") << false;
        QTest::newRow("glued") << QByteArray("xgooglebot.com") << false;
        QTest::newRow("suffix in the middle") << QByteArray("googlebot.com.evil.example") << false;
        QTest::newRow("escaped dot in a label") << QByteArray("a\\.googlebot.com") << false;
        QTest::newRow("shorter") << QByteArray("bot.com") << false;
    }
    void suffixAtLabelBoundary()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, matches);
        QCOMPARE(HostNameHasSuffix(name, QStringLiteral("googlebot.com")), matches);
    }

    void maliciousNameEscaped()
    {
        const QByteArray evil = "\x1b[2J\r\n\x07\xff\xfe.googlebot.com\t" + QByteArray(3000, 'a');
        const QString shown = EscapedDnsName(evil);
        QVERIFY(shown.startsWith(QStringLiteral("\\x1b\\x5b2J\\x0d\\x0a\\x07\\xff\\xfe.googlebot.com\\x09")));
        QVERIFY(shown.size() < 400);
        QVERIFY(shown.endsWith(u'…'));
        for (const QChar c : shown)
            QVERIFY(c.unicode() >= 0x20 && c.unicode() != 0x7f);
    }

    void addressLists_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("problem");
        QTest::newRow("good") << kGptbotList << QString();
        QTest::newRow("not JSON") << QByteArray("<html>") << QStringLiteral("不是 JSON 对象");
        QTest::newRow("no prefixes") << QByteArray(R"({"creationTime": "x"})") << QStringLiteral("没有 prefixes 数组");
        QTest::newRow("bad length") << QByteArray(R"({"prefixes": [{"ipv4Prefix": "1.2.3.0/33"}]})") << QStringLiteral("无效的前缀");
        QTest::newRow("wrong family") << QByteArray(R"({"prefixes": [{"ipv4Prefix": "2001:db8::/32"}]})") << QStringLiteral("无效的前缀");
        QTest::newRow("no length") << QByteArray(R"({"prefixes": [{"ipv6Prefix": "2001:db8::"}]})") << QStringLiteral("无效的前缀");
        QTest::newRow("short IPv4") << QByteArray(R"({"prefixes": [{"ipv4Prefix": "66.249/16"}]})") << QStringLiteral("无效的前缀");
        QTest::newRow("octal-looking IPv4") << QByteArray(R"({"prefixes": [{"ipv4Prefix": "2.055.64.0/27"}]})") << QStringLiteral("无效的前缀");
        QTest::newRow("NUL inside") << QByteArray("{\"prefixes\": [{\"ipv4Prefix\": \"66.2.46\\u0000.1/27\"}]}") << QStringLiteral("无效的前缀");
        QTest::newRow("both keys") << QByteArray(R"({"prefixes": [{"ipv4Prefix": "1.2.3.0/24", "ipv6Prefix": "::/0"}]})") << QStringLiteral("无效的前缀");
    }
    void addressLists()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, problem);
        QString found;
        const AddressList list = ParseAddressList(json, &found);
        QVERIFY2(problem.isEmpty() ? found.isEmpty() : found.startsWith(problem), qPrintable(found));
        QCOMPARE(list.ranges.isEmpty(), !problem.isEmpty());
        if (problem.isEmpty()) {
            QCOMPARE(list.creationTime, QStringLiteral("2026-12-01T00:00:00"));
            QVERIFY(list.ranges.contains(QHostAddress("20.15.240.79")));
            QVERIFY(!list.ranges.contains(QHostAddress("20.15.240.80")));
            QVERIFY(!list.ranges.contains(QHostAddress("20.15.240.63")));
            QVERIFY(list.ranges.contains(QHostAddress("2603:1030:ffff::1")));
            QVERIFY(!list.ranges.contains(QHostAddress("2603:1031::")));
        }
    }

    void overlappingPrefixesMerge()
    {
        AddressRanges ranges;
        for (const char *prefix : {"10.0.2.0/24", "10.0.0.0/23", "10.0.1.128/25", "255.255.255.255/32", "0.0.0.0/32"})
            QVERIFY(ranges.addPrefix(QLatin1String(prefix), QAbstractSocket::IPv4Protocol));
        ranges.finish();
        for (const char *inside : {"10.0.0.0", "10.0.1.200", "10.0.2.255", "255.255.255.255", "0.0.0.0"})
            QVERIFY2(ranges.contains(QHostAddress(QLatin1String(inside))), inside);
        for (const char *outside : {"10.0.3.0", "9.255.255.255", "0.0.0.1"})
            QVERIFY2(!ranges.contains(QHostAddress(QLatin1String(outside))), outside);
    }

    void verdicts_data()
    {
        QTest::addColumn<QString>("agent");
        QTest::addColumn<QString>("address");
        QTest::addColumn<Verdict>("verdict");
        QTest::addColumn<QString>("reason");
        QTest::newRow("real name") << "googlebot" << "66.249.66.1" << Verdict::Verified << QString();
        QTest::newRow("real name, trailing dot") << "baiduspider" << "123.125.71.1" << Verdict::Verified << QString();
        QTest::newRow("IPv6") << "googlebot" << "2001:4860:4801:10::1" << Verdict::Verified << QString();
        QTest::newRow("IPv4-mapped") << "googlebot" << "::ffff:66.249.66.1" << Verdict::Verified << QString();
        QTest::newRow("other agent's domain") << "baiduspider" << "66.249.66.1" << Verdict::Fake << "反向域名不属于该爬虫";
        QTest::newRow("wrong suffix") << "googlebot" << "1.2.3.4" << Verdict::Fake << "反向域名不属于该爬虫";
        QTest::newRow("suffix as a substring") << "googlebot" << "1.2.3.5" << Verdict::Fake << "反向域名不属于该爬虫";
        QTest::newRow("suffix glued on") << "googlebot" << "1.2.3.6" << Verdict::Fake << "反向域名不属于该爬虫";
        QTest::newRow("malicious name") << "googlebot" << "1.2.3.11" << Verdict::Fake << "反向域名不属于该爬虫";
        QTest::newRow("NXDOMAIN") << "googlebot" << "1.2.3.7" << Verdict::Fake << "没有反向域名";
        QTest::newRow("forward mismatch") << "googlebot" << "1.2.3.8" << Verdict::Fake << "正向解析不符";
        QTest::newRow("time-out") << "googlebot" << "1.2.3.9" << Verdict::Unknown << "DNS 超时";
        QTest::newRow("forward server failure") << "googlebot" << "1.2.3.10" << Verdict::Unknown << "名称服务器失败（SERVFAIL）";
        QTest::newRow("list vouches over DNS") << "googlebot" << "66.249.79.7" << Verdict::Verified << QString();
        QTest::newRow("list hit") << "gptbot" << "20.15.240.70" << Verdict::Verified << QString();
        QTest::newRow("list miss") << "gptbot" << "66.249.66.1" << Verdict::Fake << "不在地址列表中";
        QTest::newRow("list missing") << "perplexitybot" << "1.2.3.4" << Verdict::Unknown << "地址列表缺失";
        QTest::newRow("list malformed") << "applebot" << "17.1.1.1" << Verdict::Unknown << "地址列表缺失";
        QTest::newRow("local") << "googlebot" << "10.1.2.3" << Verdict::Local << QString();
        QTest::newRow("local v6") << "gptbot" << "fe80::1" << Verdict::Local << QString();
        QTest::newRow("no address") << "googlebot" << "-" << Verdict::Unknown << "不是 IP 地址";
        QTest::newRow("no rule") << "duckduckbot" << "1.2.3.4" << Verdict::NoRule << QString();
    }
    void verdicts()
    {
        QFETCH(QString, agent);
        QFETCH(QString, address);
        QFETCH(Verdict, verdict);
        QFETCH(QString, reason);
        ListFolder lists;
        TableDnsResolver dns;
        fillWorld(dns);
        const VerificationResult result = VerifyClients({{agent, address, 3}}, testRules(), dns, optionsFor(lists));
        QCOMPARE(result.clients.size(), 1);
        const ClientVerdict &found = result.clients.front();
        QCOMPARE(VerdictWord(found.verdict), VerdictWord(verdict));
        QCOMPARE(found.reason, reason);
        QVERIFY(found.ptr.size() < 300);
        for (const QChar c : found.ptr)
            QVERIFY(c.unicode() >= 0x20 && c.unicode() != 0x7f);
        if (verdict != Verdict::NoRule)
            QCOMPARE(result.agents.value(agent).total(), 3);
    }

    void listProblemsReported()
    {
        ListFolder lists;
        TableDnsResolver dns;
        const VerificationResult result = VerifyClients(
            {{"applebot", "17.1.1.1", 1}, {"perplexitybot", "1.1.1.1", 1}, {"gptbot", "1.1.1.1", 1}}, testRules(), dns,
            optionsFor(lists));
        QCOMPARE(result.unusableLists.size(), 2);
        QVERIFY(result.unusableLists.value("perplexitybot").startsWith(QStringLiteral("没有地址列表")));
        QCOMPARE(result.listAges.value("gptbot"), QStringLiteral("2026-12-01T00:00:00"));
        QVERIFY(!result.listAges.contains("applebot"));
        QVERIFY(result.unusableLists.value("applebot").startsWith(QStringLiteral("地址列表无效（无效的前缀")));
        QCOMPARE(dns.lookups(), 0);
    }

    void cacheAnswersForADay()
    {
        ListFolder lists;
        const QString cachePath = lists.dir.filePath("cache/verification-cache.json");
        const QList<ClientToVerify> clients{{"googlebot", "66.249.66.1", 5}, {"googlebot", "1.2.3.7", 2},
                                            {"googlebot", "1.2.3.9", 1}};
        VerificationOptions options = optionsFor(lists, cachePath);
        TableDnsResolver first;
        fillWorld(first);
        VerifyClients(clients, testRules(), first, options);
        QCOMPARE(first.lookups(), 4);  // two PTR, one forward; the time-out is not cached

        TableDnsResolver second;  // knows nothing: answers come from the cache
        options.now += VerificationCache::kLifetimeSeconds - 1;
        VerificationResult result = VerifyClients(clients, testRules(), second, options);
        QCOMPARE(second.lookups(), 1);  // only the address that timed out
        QCOMPARE(result.cacheHits, 2);
        QCOMPARE(result.clients[0].verdict, Verdict::Verified);
        QCOMPARE(result.clients[1].verdict, Verdict::Fake);

        options.now += 2;  // a day has passed: asked again
        TableDnsResolver third;
        result = VerifyClients(clients, testRules(), third, options);
        QCOMPARE(result.cacheHits, 1);  // only the address the second run asked

        writeFile(cachePath, "{\"entries\": [");  // corrupt: warned about, then replaced
        TableDnsResolver fourth;
        fillWorld(fourth);
        result = VerifyClients(clients, testRules(), fourth, options);
        QVERIFY(result.problems.join(u'\n').contains(QStringLiteral("已忽略")));
        QCOMPARE(result.clients[0].verdict, Verdict::Verified);
        QVERIFY(!VerificationCache::load(cachePath, options.now, &result.problems.front()).changed());
        QVERIFY(VerificationCache::load(cachePath, options.now, &result.problems.front()).find("66.249.66.1"));
    }

    void capAndProxyNote()
    {
        ListFolder lists;
        TableDnsResolver dns;
        fillWorld(dns);
        VerificationOptions options = optionsFor(lists);
        options.maxAddresses = 1;
        const VerificationResult result = VerifyClients(
            {{"googlebot", "1.2.3.7", 1}, {"googlebot", "66.249.66.1", 2}, {"googlebot", "10.0.0.1", 4}},
            testRules(), dns, options);
        QCOMPARE(result.clients[1].verdict, Verdict::Verified);  // the busier address is asked
        QCOMPARE(result.clients[0].verdict, Verdict::Unknown);
        QCOMPARE(result.clients[0].reason, QStringLiteral("上限"));
        QVERIFY(result.behindProxy);  // 4 of 7 requests are local
        const VerdictCounts counts = result.agents.value("googlebot");
        QCOMPARE(counts.verified, 2);
        QCOMPARE(counts.unknown, 1);
        QCOMPARE(counts.local, 4);
    }

    void stopEndsTheRun()
    {
        ListFolder lists;
        TableDnsResolver dns(20);
        QList<ClientToVerify> clients;
        for (int i = 0; i < 300; ++i)
            clients.append({"googlebot", QStringLiteral("8.8.%1.%2").arg(i / 256).arg(i % 256), 1});
        StopFlag stop;
        VerificationOptions options = optionsFor(lists);
        options.stop = &stop;
        int lastDone = 0;
        options.progress = [&](int done, int total) {
            QCOMPARE(total, 300);
            lastDone = done;
            stop.request();
        };
        const VerificationResult result = VerifyClients(clients, testRules(), dns, options);
        QVERIFY(result.stopped);
        QCOMPARE(lastDone, 300);
        QVERIFY(dns.lookups() < 300);
        QCOMPARE(result.clients.back().reason, QStringLiteral("已停止"));
    }

    void unreachableServerGivenUp()
    {
        ListFolder lists;
        TableDnsResolver dns;
        QList<ClientToVerify> clients;
        for (int i = 0; i < 1000; ++i) {
            const QHostAddress address(quint32(0x08080000 + i));
            dns.setNameReply(address, {DnsStatus::TimedOut, {}, {}, QStringLiteral("DNS 超时")});
            clients.append({"googlebot", address.toString(), 1});
        }
        const VerificationResult result = VerifyClients(clients, testRules(), dns, optionsFor(lists));
        QVERIFY(dns.lookups() < 300);
        QCOMPARE(result.clients.back().reason, QStringLiteral("名称服务器无响应"));
        QCOMPARE(result.agents.value("googlebot").unknown, 1000);
    }

    void topFakeClients()
    {
        QList<ClientVerdict> clients;
        for (int i = 0; i < 150; ++i)
            clients.append({"googlebot", QStringLiteral("1.1.1.%1").arg(i), i % 7, Verdict::Fake, {}, {}, {}});
        clients.append({"googlebot", "9.9.9.9", 99, Verdict::Verified, {}, {}, {}});
        const QList<ClientVerdict> top = TopFakeClients(clients);
        QCOMPARE(top.size(), 100);
        QCOMPARE(top.front().requests, 6);
        QCOMPARE(top.front().address, QStringLiteral("1.1.1.104"));  // ties by address text
    }

    // The real resolver against a name server of our own on a local port.
    void caresResolver()
    {
        TinyDnsServer server;
        server.addPtr(kGood, "crawl-66-249-66-1.googlebot.com");
        server.addAddress("crawl-66-249-66-1.googlebot.com", kGood);
        server.addPtr(kGoodV6, "crawl-v6.googlebot.com");
        server.addAddress("crawl-v6.googlebot.com", kGoodV6);
        server.addPtr(QHostAddress("1.2.3.8"), "fake.googlebot.com");
        server.addAddress("fake.googlebot.com", QHostAddress("66.249.66.2"));
        server.addPtr(QHostAddress("1.2.3.11"), "\x1b[31mcrawl\x01.googlebot.com");  // c-ares refuses such a name
        server.setServerFailure(ReverseLookupName(QHostAddress("1.2.3.12")));
        server.setSilent(ReverseLookupName(QHostAddress("1.2.3.13")));

        ListFolder lists;
        CaresResolver dns(server.address(), 300);
        QVERIFY2(dns.ok(), qPrintable(dns.problem()));
        const QString cache = lists.dir.filePath(QStringLiteral("cache.json"));
        const QList<ClientToVerify> clients{
            {"googlebot", "66.249.66.1", 1}, {"googlebot", "2001:4860:4801:10::1", 1}, {"googlebot", "1.2.3.7", 1},
            {"googlebot", "1.2.3.8", 1},     {"googlebot", "1.2.3.11", 1},             {"googlebot", "1.2.3.12", 1},
            {"googlebot", "1.2.3.13", 1}};
        const VerificationResult result = VerifyClients(clients, testRules(), dns, optionsFor(lists, cache));
        const QList<Verdict> expected{Verdict::Verified, Verdict::Verified, Verdict::Fake, Verdict::Fake,
                                      Verdict::Fake, Verdict::Unknown, Verdict::Unknown};
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(VerdictWord(result.clients[i].verdict) + result.clients[i].reason,
                     VerdictWord(expected[i]) + result.clients[i].reason);
        QCOMPARE(result.clients[0].ptr, QStringLiteral("crawl-66-249-66-1.googlebot.com"));
        QCOMPARE(result.clients[2].reason, QStringLiteral("没有反向域名"));
        QCOMPARE(result.clients[3].reason, QStringLiteral("正向解析不符"));
        QCOMPARE(result.clients[4].reason, QStringLiteral("反向域名无效"));  // an answer, though no host name
        QCOMPARE(result.clients[5].reason, QStringLiteral("名称服务器失败（SERVFAIL）"));
        QCOMPARE(result.clients[6].reason, QStringLiteral("DNS 超时"));
        QCOMPARE(result.agents.value("googlebot").unknownReasons,
                 (QMap<QString, qint64>{{"名称服务器失败（SERVFAIL）", 1}, {"DNS 超时", 1}}));
        TableDnsResolver nobody;  // the invalid name is cached like NXDOMAIN
        QCOMPARE(VerifyClients({clients[4]}, testRules(), nobody, optionsFor(lists, cache)).clients[0].reason,
                 QStringLiteral("反向域名无效"));
    }

    // A server failure is asked again of the next name server.
    void serverFailureAskedOfTheNextServer()
    {
        TinyDnsServer failing;
        failing.setServerFailure(ReverseLookupName(kGood));
        failing.addAddress("crawl-66-249-66-1.googlebot.com", kGood);
        TinyDnsServer good;
        good.addPtr(kGood, "crawl-66-249-66-1.googlebot.com");
        good.addAddress("crawl-66-249-66-1.googlebot.com", kGood);
        ListFolder lists;
        CaresResolver dns(failing.address() + u',' + good.address(), 300);
        QVERIFY2(dns.ok(), qPrintable(dns.problem()));
        QCOMPARE(VerifyClients({{"googlebot", "66.249.66.1", 1}}, testRules(), dns, optionsFor(lists)).clients[0].verdict,
                 Verdict::Verified);
        QVERIFY(failing.queries() > 0);
    }

    // A name server that answers "no such name" to everything (one that
    // cannot see the internet) makes no fakes, and nothing of it is cached.
    void blindNameServer()
    {
        TinyDnsServer blind;
        ListFolder lists;
        const QString cache = lists.dir.filePath(QStringLiteral("cache.json"));
        VerificationRules rules = testRules();
        rules.resolverCheck = {{kGood, "crawl-66-249-66-1.googlebot.com"}};
        CaresResolver dns(blind.address(), 300);
        const VerificationResult result = VerifyClients(
            {{"googlebot", "66.249.66.9", 2}, {"baiduspider", "123.125.71.1", 1}, {"gptbot", "20.15.240.65", 1}},
            rules, dns, optionsFor(lists, cache));
        QCOMPARE(result.dnsProblem, ResolverBlindText());
        QCOMPARE(result.clients[0].verdict, Verdict::Unknown);
        QCOMPARE(result.clients[1].reason, ResolverBlindText());
        QCOMPARE(result.clients[2].verdict, Verdict::Verified);  // address lists need no DNS
        QVERIFY(!QFile::exists(cache));

        TinyDnsServer seeing;  // the check passes with one known name given
        seeing.addPtr(kGood, "crawl-66-249-66-1.googlebot.com");
        CaresResolver seeingDns(seeing.address(), 300);
        const VerificationResult trusted =
            VerifyClients({{"googlebot", "66.249.66.9", 2}}, rules, seeingDns, optionsFor(lists, cache));
        QVERIFY(trusted.dnsProblem.isEmpty());
        QCOMPARE(trusted.clients[0].reason, QStringLiteral("没有反向域名"));
    }

    void updateRangesCommand()
    {
        QHttpServer web;
        web.route("/good.json", [] { return kGptbotList; });
        web.route("/bad.json", [] { return QByteArray(R"({"prefixes": [{"ipv4Prefix": "nonsense"}]})"); });
        web.route("/html", [] { return QByteArray("<html></html>"); });
        const quint16 port = web.listen(QHostAddress::LocalHost, 0);
        QVERIFY(port != 0);
        const QString base = QStringLiteral("http://127.0.0.1:%1").arg(port);
        QStringList arguments{"update-ranges"};
        // Every list of the catalogue is fetched from here; most of them are missing.
        for (const char *id : {"googlebot", "special-crawlers", "user-triggered-fetchers", "bingbot", "gptbot",
                               "searchbot", "chatgpt-user", "perplexitybot", "perplexity-user", "applebot"})
            arguments << "--url" << QStringLiteral("%1=%2/missing").arg(QLatin1String(id), base);
        QTemporaryDir home;
        CliResult result = cli(home, arguments + QStringList{"--url", "gptbot=" + base + "/good.json", "--url",
                                                             "searchbot=" + base + "/bad.json"});
        QCOMPARE(result.status, 1);
        QVERIFY2(result.out.contains(QStringLiteral("gptbot: 已更新 (2026-12-01T00:00:00)\n")), qPrintable(result.out));
        QVERIFY(result.out.contains(QStringLiteral("searchbot: 失败：无效的前缀")));
        QVERIFY(result.out.contains(QStringLiteral("googlebot: 失败：HTTP 404，保留旧副本\n")));
        QCOMPARE(result.out.count(u'\n'), 10);

        // A broken download keeps the copy there is.
        result = cli(home, arguments + QStringList{"--url", "gptbot=" + base + "/html"});
        QVERIFY(result.out.contains(QStringLiteral("gptbot: 失败：不是 JSON 对象，保留旧副本")));
        result = cli(home, {"verify", "20.15.240.65", "gptbot"});
        QCOMPARE(result.status, 0);
        QVERIFY2(result.out.contains(QStringLiteral("地址列表 gptbot：命中（2026-12-01T00:00:00）\n")), qPrintable(result.out));
        QVERIFY(result.out.endsWith(QStringLiteral("结论：已验证\n")));

        result = cli(home, {"update-ranges", "--url", "gptbot=file:///etc/passwd"});
        QCOMPARE(result.status, 2);
    }

    void verifyCommand()
    {
        TinyDnsServer server;
        server.addPtr(kGood, "crawl-66-249-66-1.googlebot.com");
        server.addAddress("crawl-66-249-66-1.googlebot.com", kGood);
        QTemporaryDir home;
        const QStringList dns{"--dns-server", server.address()};
        CliResult result = cli(home, QStringList{"verify"} + dns + QStringList{"66.249.66.1", "googlebot"});
        QCOMPARE(result.status, 0);
        QCOMPARE(result.out, QStringLiteral("地址：66.249.66.1\n爬虫：googlebot\n"
                                            "反向域名（PTR）：crawl-66-249-66-1.googlebot.com\n"
                                            "正向解析 crawl-66-249-66-1.googlebot.com：66.249.66.1\n"
                                            "地址列表 googlebot：没有地址列表（请在蜘蛛概览中点“更新地址列表”，或运行 trawlex-cli update-ranges）\n"
                                            "结论：已验证\n"));
        const int asked = server.queries();
        result = cli(home, QStringList{"verify"} + dns + QStringList{"66.249.66.1", "googlebot"});
        QCOMPARE(server.queries(), asked);  // from the cache
        result = cli(home, QStringList{"verify", "--no-cache"} + dns + QStringList{"66.249.66.9", "Googlebot"});
        QCOMPARE(result.status, 0);
        QVERIFY(result.out.contains(QStringLiteral("结论：仿冒（没有反向域名）")));

        QCOMPARE(cli(home, {"verify", "66.249.66.1", "nosuchbot"}).status, 2);
        QCOMPARE(cli(home, {"verify", "crawl.example", "googlebot"}).status, 2);
        QCOMPARE(cli(home, {"verify", "--dns-server", "x:y", "66.249.66.1", "googlebot"}).status, 2);
    }

    // As a window runs it: on a worker thread, progress reported from there.
    void onAWorkerThread()
    {
        TinyDnsServer server;  // answers on this thread's event loop
        server.addPtr(kGood, "crawl-66-249-66-1.googlebot.com");
        server.addAddress("crawl-66-249-66-1.googlebot.com", kGood);
        ListFolder lists;
        VerificationOptions options = optionsFor(lists);
        std::atomic<int> reported{0};
        options.progress = [&reported](int done, int) { reported = done; };
        VerificationResult result;
        QThread *worker = QThread::create([&] {
            result = VerifyClientsOverDns({{"googlebot", "66.249.66.1", 1}, {"googlebot", "bad", 1}}, testRules(),
                                          server.address(), options);
        });
        QEventLoop loop;
        connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
        worker->start();
        loop.exec();
        delete worker;
        QCOMPARE(reported.load(), 1);
        QCOMPARE(result.clients[0].verdict, Verdict::Verified);
        QCOMPARE(result.clients[1].reason, QStringLiteral("不是 IP 地址"));
        QCOMPARE(VerifyClientsOverDns({{"googlebot", "66.249.66.1", 1}}, testRules(), "not-an-address", options)
                     .clients[0].reason,
                 QStringLiteral("无效的名称服务器地址：not-an-address"));
    }

    void overviewVerify()
    {
        TinyDnsServer server;
        server.addPtr(kGood, "crawl-66-249-66-1.googlebot.com");
        server.addAddress("crawl-66-249-66-1.googlebot.com", kGood);
        server.addPtr(QHostAddress("1.2.3.4"), "rented.googleusercontent.com");
        QTemporaryDir home;
        const QString log = home.filePath("access.log");
        QByteArray lines;
        auto add = [&lines](const char *client, const char *agent, int times) {
            for (int i = 0; i < times; ++i)
                lines += QByteArray(client) + " - - [01/Dec/2026:10:00:00 +0000] \"GET / HTTP/1.1\" 200 1 \"-\" \"" + agent + "\"\n";
        };
        add("66.249.66.1", "Googlebot/2.1", 3);
        add("1.2.3.4", "Googlebot/2.1", 2);
        add("10.0.0.1", "bingbot/2.0", 1);
        add("5.6.7.8", "DuckDuckBot/1.1", 1);
        writeFile(log, lines);
        const QStringList verify{"overview", "--verify", "--dns-server", server.address()};

        CliResult result = cli(home, verify + QStringList{"--json", log});
        QCOMPARE(result.status, 0);
        const QJsonObject document = QJsonDocument::fromJson(result.out.toUtf8()).object();
        QHash<QString, QJsonValue> verification;
        for (const QJsonValue &agent : document.value("agents").toArray())
            verification.insert(agent["id"].toString(), agent["verification"]);
        QCOMPARE(verification.value("googlebot"),
                 QJsonValue(QJsonObject{{"verified", 3}, {"fake", 2}, {"unknown", 0}, {"local", 0}}));
        QCOMPARE(verification.value("bingbot")["local"].toInt(), 1);
        QVERIFY(verification.value("duckduckbot").isUndefined());
        const QJsonArray fakes = document.value("fake_clients").toArray();
        QCOMPARE(fakes.size(), 1);
        QCOMPARE(fakes[0].toObject(), (QJsonObject{{"address", "1.2.3.4"}, {"agent", "googlebot"}, {"requests", 2},
                                                   {"ptr", "rented.googleusercontent.com"}, {"reason", "反向域名不属于该爬虫"}}));
        QVERIFY(document.value("address_lists")["googlebot"].isNull());
        QVERIFY(!document.contains("verification_note"));

        result = cli(home, verify + QStringList{log});
        QVERIFY2(result.out.contains(QStringLiteral("已验证 60% · 仿冒 2")), qPrintable(result.out));
        QVERIFY(result.out.contains(QStringLiteral("未设规则")));
        QCOMPARE(cli(home, verify + QStringList{"--csv", home.filePath("csv"), log}).status, 0);
        QFile csv(home.filePath("csv/fake_clients.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QVERIFY(csv.readAll().contains("1.2.3.4,谷歌蜘蛛,googlebot,2,"));
        QCOMPARE(cli(home, verify + QStringList{"--html", home.filePath("report.html"), log}).status, 0);
        QFile html(home.filePath("report.html"));
        QVERIFY(html.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(html.readAll()).contains(QStringLiteral("<td>反向域名不属于该爬虫</td>")));

        // Behind a proxy: most requests of ruled agents come from a local address.
        add("10.0.0.1", "Googlebot/2.1", 9);
        writeFile(log, lines);
        result = cli(home, verify + QStringList{"--json", log});
        QCOMPARE(QJsonDocument::fromJson(result.out.toUtf8())["verification_note"].toString(), ProxyNoteText());
        QCOMPARE(cli(home, {"overview", "--no-cache", log}).status, 2);

        // A name server that knows nothing: said at the top and in the JSON.
        TinyDnsServer blind;
        const QStringList blindVerify{"overview", "--verify", "--no-cache", "--dns-server", blind.address()};
        result = cli(home, blindVerify + QStringList{log});
        QVERIFY2(result.out.startsWith(QStringLiteral("验证：") + ResolverBlindText()), qPrintable(result.out));
        result = cli(home, blindVerify + QStringList{"--json", log});
        QCOMPARE(QJsonDocument::fromJson(result.out.toUtf8())["verification_problem"].toString(), ResolverBlindText());
    }

    // Ctrl+C during the check keeps the overview, the check marked stopped.
    void interruptedCheckKeepsTheOverview()
    {
        QUdpSocket silent;  // a name server that never answers
        QVERIFY(silent.bind(QHostAddress::LocalHost, 0));
        QTemporaryDir home;
        writeFile(home.filePath("access.log"),
                  "66.249.66.9 - - [01/Dec/2026:10:00:00 +0000] \"GET / HTTP/1.1\" 200 1 \"-\" \"Googlebot/2.1\"\n");
        QProcess process;
        process.start(QStringLiteral(TRAWLEX_BIN "/trawlex-cli"),
                      {"overview", "--verify", "--no-cache", "--json", "--dns-server",
                       QStringLiteral("127.0.0.1:%1").arg(silent.localPort()), home.filePath("access.log")});
        process.setReadChannel(QProcess::StandardError);
        QVERIFY(process.waitForStarted());
        QByteArray err;
        while (!err.contains("验证：") && process.waitForReadyRead(5000))
            err += process.readAllStandardError();
        QVERIFY2(err.contains("验证：0 / 1"), err.constData());
        QVERIFY(::kill(pid_t(process.processId()), SIGINT) == 0);
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), 130);
        const QJsonObject document = QJsonDocument::fromJson(process.readAllStandardOutput()).object();
        QCOMPARE(document.value("verification_stopped"), QJsonValue(true));
        QCOMPARE(document.value("agents")[0]["verification"]["unknown"].toInt(), 1);
    }

    void dnsServerSpec_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("servers");
        QTest::newRow("address") << "192.0.2.1" << "192.0.2.1:53";
        QTest::newRow("with port") << "127.0.0.1:5353" << "127.0.0.1:5353";
        QTest::newRow("IPv6") << "::1" << "[::1]:53";
        QTest::newRow("IPv6 with port") << "[::1]:5353" << "[::1]:5353";
        QTest::newRow("name") << "dns.example" << QString();
        QTest::newRow("bad port") << "127.0.0.1:70000" << QString();
    }
    void dnsServerSpec()
    {
        QFETCH(QString, text);
        QFETCH(QString, servers);
        QCOMPARE(DnsServerSpec(text), servers);
    }
};

QTEST_GUILESS_MAIN(TestVerification)
#include "test_verification.moc"
