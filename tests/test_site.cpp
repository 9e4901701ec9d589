#include "overview/overview_run.h"
#include "site/robots_txt.h"
#include "site/site_check.h"
#include "site/site_source.h"
#include "site/sitemap_reader.h"
#include "site/url_key.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHttpServer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <zlib.h>

namespace {

const QString kGolden = QStringLiteral(TRAWLEX_TEST_DATA "/site/golden");

QByteArray Gzipped(const QByteArray &bytes)
{
    QByteArray packed(qsizetype(compressBound(uLong(bytes.size()))) + 64, Qt::Uninitialized);
    z_stream stream{};
    deflateInit2(&stream, 6, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(bytes.constData()));
    stream.avail_in = uInt(bytes.size());
    stream.next_out = reinterpret_cast<Bytef *>(packed.data());
    stream.avail_out = uInt(packed.size());
    deflate(&stream, Z_FINISH);
    packed.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return packed;
}

void Write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray UrlSet(const QStringList &locs)
{
    QByteArray xml = "<?xml version=\"1.0\"?>\n<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n";
    for (const QString &loc : locs)
        xml += "<url><loc>" + loc.toUtf8() + "</loc></url>\n";
    return xml + "</urlset>\n";
}

// The files of a site served on 127.0.0.1, by path.
class SiteServer
{
public:
    explicit SiteServer(QHash<QString, QByteArray> files) : files_(std::move(files))
    {
        server_.setMissingHandler([this](const QHttpServerRequest &request, QHttpServerResponder &&responder) {
            const auto file = files_.constFind(request.url().path());
            if (file == files_.cend())
                responder.write(QHttpServerResponder::StatusCode::NotFound);
            else
                responder.write(*file, "application/octet-stream");
        });
        base_ = QStringLiteral("http://127.0.0.1:%1").arg(server_.listen(QHostAddress::LocalHost, 0));
    }
    QString url(const QString &path) const { return base_ + path; }

private:
    QHash<QString, QByteArray> files_;
    QHttpServer server_;
    QString base_;
};

}  // namespace

class TestSite : public QObject
{
    Q_OBJECT

private slots:
    void urlKeys_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QByteArray>("key");
        QTest::newRow("empty path") << "https://Example.com" << QByteArray("/");
        QTest::newRow("unreserved decoded") << "http://example.com/%7Ejoe/%41" << QByteArray("/~joe/A");
        QTest::newRow("others upper-cased") << "http://example.com/a%2fb?q=%3d" << QByteArray("/a%2Fb?q=%3D");
        QTest::newRow("non-ASCII and spaces escaped") << "http://example.com/新 闻" << QByteArray("/%E6%96%B0%20%E9%97%BB");
        QTest::newRow("a stray percent sign escaped") << "http://example.com/%4%41" << QByteArray("/%254A");
        QTest::newRow("fragment dropped, query kept") << "http://example.com/a?x=1#top" << QByteArray("/a?x=1");
        QTest::newRow("port and user dropped") << "http://u@example.com:8080/a" << QByteArray("/a");
    }
    void urlKeys()
    {
        QFETCH(QString, url);
        QFETCH(QByteArray, key);
        QString host;
        QByteArray actual;
        QVERIFY(UrlKey::split(url, host, actual));
        QCOMPARE(actual, key);
        QCOMPARE(host, QStringLiteral("example.com"));
    }

    // RFC 9309's own cases, and the group rules around them.
    void robots_data()
    {
        QTest::addColumn<QByteArray>("robots");
        QTest::addColumn<QStringList>("tokens");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("rule");  // the disallowing rule; empty: allowed
        QTest::addColumn<QString>("group");  // "-": none
        const QByteArray page = "User-agent: *\nAllow: /p\nDisallow: /\n";
        QTest::newRow("longest match wins") << page << QStringList() << "/page" << "" << "*";
        QTest::newRow("shorter allow loses") << page << QStringList() << "/x" << "Disallow: /" << "*";
        const QByteArray tie = "User-agent: *\nDisallow: /folder\nAllow: /folder\n";
        QTest::newRow("allow on a tie") << tie << QStringList() << "/folder/page" << "" << "*";
        const QByteArray star = "User-agent: *\nAllow: /page\nDisallow: /*.html\n";
        QTest::newRow("star counts its octets") << star << QStringList() << "/page.html" << "Disallow: /*.html" << "*";
        QTest::newRow("star without match") << star << QStringList() << "/page.php5" << "" << "*";
        const QByteArray dollar = "User-agent: *\nAllow: /$\nDisallow: /\nDisallow: /*.gif$\n";
        QTest::newRow("dollar: only the root") << dollar << QStringList() << "/" << "" << "*";
        QTest::newRow("dollar: not below") << dollar << QStringList() << "/page.htm" << "Disallow: /" << "*";
        QTest::newRow("dollar ends the key") << dollar << QStringList() << "/a.gif?x=1" << "Disallow: /" << "*";
        const QByteArray fish = "User-agent: *\nDisallow: /fish*.php\n";
        QTest::newRow("star in the middle") << fish << QStringList() << "/fishheads/catfish.php?p=1"
                                            << "Disallow: /fish*.php" << "*";
        QTest::newRow("case-sensitive") << fish << QStringList() << "/Fish.php" << "" << "*";
        const QByteArray encoded = "User-agent: *\nDisallow: /foo/bar/ツ\nDisallow: /%7Ejoe\n";
        QTest::newRow("pattern percent-encoded") << encoded << QStringList() << "/foo/bar/%e3%83%84"
                                                 << "Disallow: /foo/bar/ツ" << "*";
        QTest::newRow("unreserved escape decoded") << encoded << QStringList() << "/~joe/x" << "Disallow: /%7Ejoe" << "*";
        const QByteArray groups = "User-agent: ExampleBot\nDisallow: /a\n\nUser-agent: *\nDisallow: /\n\n"
                                  "User-Agent: examplebot\nuser-agent: OtherBot\ndisallow: /b\nDisallow:\n";
        QTest::newRow("groups merged, case ignored") << groups << QStringList{"ExampleBot"} << "/b" << "Disallow: /b"
                                                     << "ExampleBot";
        QTest::newRow("merged group, not *") << groups << QStringList{"ExampleBot"} << "/c" << "" << "ExampleBot";
        QTest::newRow("shared group lines") << groups << QStringList{"otherbot"} << "/b" << "Disallow: /b" << "OtherBot";
        QTest::newRow("most specific token first") << groups << QStringList{"Nobody", "ExampleBot"} << "/a"
                                                   << "Disallow: /a" << "ExampleBot";
        QTest::newRow("no group: *") << groups << QStringList{"Nobody"} << "/c" << "Disallow: /" << "*";
        QTest::newRow("/robots.txt always allowed") << groups << QStringList{"Nobody"} << "/robots.txt" << "" << "*";
        const QByteArray noStar = "User-agent: ExampleBot\nDisallow: /\n";
        QTest::newRow("no group at all") << noStar << QStringList{"Nobody"} << "/x" << "" << "-";
        const QByteArray emptyDisallow = "User-agent: *\nDisallow:\n";
        QTest::newRow("empty disallow") << emptyDisallow << QStringList() << "/x" << "" << "*";
    }
    void robots()
    {
        QFETCH(QByteArray, robots);
        QFETCH(QStringList, tokens);
        QFETCH(QString, path);
        QFETCH(QString, rule);
        QFETCH(QString, group);
        const RobotsTxt parsed = ParseRobotsTxt(robots);
        const RobotsMatcher matcher(parsed, tokens);
        const qsizetype mark = path.indexOf(u'?');
        const QByteArray key = UrlKey::of(path.first(mark < 0 ? path.size() : mark).toUtf8(),
                                          mark < 0 ? QByteArray() : path.sliced(mark + 1).toUtf8());
        const int found = matcher.disallowingRule(key);
        QCOMPARE(found < 0 ? QString() : matcher.rules()[found].text, rule);
        QCOMPARE(matcher.group().value_or(QStringLiteral("-")), group);
    }

    void robotsGroupsAsWritten()
    {
        const RobotsTxt parsed = ParseRobotsTxt("Disallow: /before-any-agent\nUser-agent: a\nUser-agent: b\n"
                                                "Crawl-delay: 3\nAllow: /x # comment\nUser-agent: c\nSitemap: /s\n");
        QCOMPARE(parsed.groups.size(), 2);
        QCOMPARE(parsed.groups[0].agents, QStringList({"a", "b"}));
        QCOMPARE(parsed.groups[0].rules.size(), 1);
        QCOMPARE(parsed.groups[0].rules[0].text, QStringLiteral("Allow: /x"));
    }

    // An index with children beside it, gzip'd, in GB18030 text, an index
    // within it, a malformed one, a missing one; entities and other hosts.
    void sitemapFiles()
    {
        QTemporaryDir dir;
        const QDir at(dir.path());
        Write(at.filePath("index.xml"),
              "<sitemapindex xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">"
              "<sitemap><loc>https://example.com/a.xml.gz</loc></sitemap>"
              "<sitemap><loc>https://example.com/b.txt</loc></sitemap>"
              "<sitemap><loc>https://example.com/inner.xml</loc></sitemap>"
              "<sitemap><loc>https://example.com/bad.xml</loc></sitemap></sitemapindex>");
        Write(at.filePath("a.xml.gz"), Gzipped(UrlSet({"https://example.com/q?a=1&amp;b=2", "https://other.org/x"})));
        Write(at.filePath("b.txt"), "https://example.com/\xD0\xC2\xCE\xC5\r\n\r\nnot a url\nhttps://example.com/q?a=1&b=2\n");
        Write(at.filePath("inner.xml"), "<sitemapindex><sitemap><loc>https://example.com/x.xml</loc></sitemap></sitemapindex>");
        Write(at.filePath("bad.xml"), "<urlset><url><loc>https://example.com/kept</loc></url><url><loc>oops</url>");
        Write(at.filePath("plain.xml"), UrlSet({"https://example.com/plain"}));
        SiteSource source;
        const SitemapSet set = ReadSitemaps({at.filePath("index.xml"), at.filePath("plain.xml"), at.filePath("none.xml")},
                                            QString(), source);
        QCOMPARE(set.summary.host, QStringLiteral("example.com"));
        QCOMPARE(set.summary.urls, QStringList({"https://example.com/q?a=1&b=2", "https://example.com/新闻",
                                                "https://example.com/kept", "https://example.com/plain"}));
        QCOMPARE(set.keys[1], QByteArray("/%E6%96%B0%E9%97%BB"));
        QCOMPARE(set.summary.otherHost, 1);
        const QList<SitemapFileSummary> &files = set.summary.files;
        QCOMPARE(files.size(), 7);
        QCOMPARE(files[0].urls, 0);  // the index
        QVERIFY(files[0].problem.isEmpty());
        QCOMPARE(files[1].urls, 1);
        QCOMPARE(files[2].urls, 2);
        QVERIFY2(files[2].problem.contains(QStringLiteral("不是 http(s) 网址")), qPrintable(files[2].problem));
        QCOMPARE(files[3].problem, QStringLiteral("索引中的索引，未读取"));
        QVERIFY2(files[4].problem.startsWith(QStringLiteral("XML 有误")), qPrintable(files[4].problem));
        QCOMPARE(files[4].urls, 1);
        QVERIFY(files[5].problem.isEmpty());
        QVERIFY(!files[6].problem.isEmpty());
    }

    void sitemapPastTheLimits()
    {
        QStringList many;
        for (int i = 0; i <= kMostSitemapUrls; ++i)
            many.append(QStringLiteral("https://example.com/%1").arg(i));
        const SitemapDocument xml = ParseSitemap(UrlSet(many));
        QCOMPARE(xml.addresses.size(), kMostSitemapUrls);
        QVERIFY(!xml.problem.isEmpty());
        const SitemapDocument text = ParseSitemap(Gzipped(many.join(u'\n').toUtf8()));
        QCOMPARE(text.addresses.size(), kMostSitemapUrls);
        QVERIFY(!text.problem.isEmpty());
        // Past 50 MiB unpacked: what came before is used and the file reported.
        const QByteArray line = "https://example.com/" + QByteArray(4000, 'a') + '\n';
        const SitemapDocument big = ParseSitemap(Gzipped(line.repeated(int(kMostSitemapBytes / line.size()) + 10)));
        QVERIFY(big.problem.contains(QStringLiteral("50 MiB")));
        QCOMPARE(big.addresses.size(), kMostSitemapBytes / line.size());
    }

    void fetchedOverHttp()
    {
        SiteServer server({{"/robots.txt", "User-agent: *\nDisallow: /x\n"}});
        SiteServer children({{"/child.xml.gz", Gzipped(UrlSet({"https://example.com/a"}))}});
        SiteServer index({{"/index.xml", "<sitemapindex><sitemap><loc>" + children.url("/child.xml.gz").toUtf8()
                                             + "</loc></sitemap></sitemapindex>"}});
        SiteSource source;
        const SitemapSet set = ReadSitemaps({index.url("/index.xml"), index.url("/missing.xml")}, QString(), source);
        QCOMPARE(set.summary.urls, QStringList{"https://example.com/a"});
        QCOMPARE(set.summary.files.size(), 3);
        QCOMPARE(set.summary.files[2].problem, QStringLiteral("HTTP 404"));
        const SourceBytes robots = source.read(server.url("/robots.txt"), kMostRobotsTxtBytes);
        QCOMPARE(ParseRobotsTxt(robots.bytes).groups.size(), 1);
    }

    // The site's files are read beside the pass; a stop there gives up a
    // download that hangs (a server that never answers) instead of waiting
    // for its minute, and no figure is made of what was not read.
    void stopEndsAHangingDownload()
    {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        const SiteRequest site{{QStringLiteral("http://127.0.0.1:%1/sitemap.xml").arg(silent.serverPort())}, {}, {}, 30};
        StopFlag stop;
        QElapsedTimer clock;
        clock.start();
        SiteFilesReader reader(site, &stop);
        QThread::msleep(200);
        stop.request();
        SiteFiles files = reader.take();
        QVERIFY(files.stopped);
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        OverviewResult result;
        AddSiteFigures(result, std::move(files), site, BuiltInAgentCatalogue());
        QVERIFY(result.stopped);
        QVERIFY(!result.sitemap);
    }

    // W3C paths meet sitemap URLs ignoring letter case, queries keep it, and
    // robots.txt patterns match case-sensitively the page as first spelled.
    void w3cKeys()
    {
        QTemporaryDir dir;
        const QDir at(dir.path());
        Write(at.filePath("u_ex240101.log"),
              "#Software: Microsoft Internet Information Services 10.0\r\n"
              "#Fields: date time cs-uri-stem cs-uri-query sc-status cs(User-Agent)\r\n"
              "2024-01-01 00:00:00 /News/A.html - 200 Baiduspider\r\n"
              "2024-01-01 01:00:00 /news/a.HTML x=1 200 Baiduspider\r\n"
              "2024-01-01 02:30:00 /Admin/x - 200 Baiduspider\r\n");
        Write(at.filePath("sitemap.txt"), "https://example.com/news/a.html\nhttps://example.com/NEWS/A.html?x=1\n"
                                          "https://example.com/news/a.html?X=1\n");
        Write(at.filePath("robots.txt"), "User-agent: *\nDisallow: /admin/\nDisallow: /News/\n");
        OverviewRequest request;
        request.paths = {at.filePath("u_ex240101.log")};
        request.targets = true;
        const AgentCatalogue catalogue = BuiltInAgentCatalogue();
        OverviewResult result = RunOverview(request, catalogue);
        const SiteRequest site{{at.filePath("sitemap.txt")}, at.filePath("robots.txt"), {}, 30};
        AddSiteFigures(result, ReadSiteFiles(site), site, catalogue);
        const AgentOverview *baidu = result.agent(QStringLiteral("baiduspider"));
        QVERIFY(baidu && baidu->coverage && baidu->robots);
        QCOMPARE(baidu->coverage->inSitemap, 2);
        QCOMPARE(baidu->coverage->never, 1);
        QCOMPARE(baidu->coverage->outside, 1);
        QCOMPARE(baidu->robots->group, std::optional<QString>(QStringLiteral("*")));
        QCOMPARE(baidu->robots->disallowed, 2);
        QCOMPARE(baidu->robots->disallowedPages, 2);
        QCOMPARE(baidu->robots->keys.front().rule, QStringLiteral("Disallow: /News/"));
        QCOMPARE(baidu->hours[0] + baidu->hours[1] + baidu->hours[2], 3);
        QCOMPARE(baidu->sections.size(), 2);  // "/News/" (as first met) and "/Admin/"
        QCOMPARE(baidu->sections.front().section, QStringLiteral("/News/"));
    }

    // Agents of one group list their disallowed keys most requests first,
    // ties in text order, and a W3C key apart from another family's of one text.
    void disallowedKeysInOrder()
    {
        QTemporaryDir dir;
        const QDir at(dir.path());
        auto line = [](const char *page, const char *agent) -> QByteArray {
            return QByteArray("1.2.3.4 - - [01/Jan/2024:00:00:00 +0000] \"GET ") + page + " HTTP/1.1\" 200 10 \"-\" \""
                + agent + "\"\n";
        };
        Write(at.filePath("access.log"), line("/b/2", "Baiduspider") + line("/b/1", "Googlebot") + line("/b/1", "Baiduspider")
                                             + line("/b/3", "Baiduspider") + line("/b/3", "Baiduspider")
                                             + line("/b/0", "Googlebot"));
        Write(at.filePath("u_ex240101.log"), "#Fields: date time cs-uri-stem sc-status cs(User-Agent)\r\n"
                                             "2024-01-01 00:00:00 /b/1 200 Baiduspider\r\n");
        Write(at.filePath("robots.txt"), "User-agent: *\nDisallow: /b/\n");
        OverviewRequest request;
        request.paths = {at.filePath("access.log"), at.filePath("u_ex240101.log")};
        request.targets = true;
        const AgentCatalogue catalogue = BuiltInAgentCatalogue();
        OverviewResult result = RunOverview(request, catalogue);
        const SiteRequest site{{}, at.filePath("robots.txt"), {}, 30};
        AddSiteFigures(result, ReadSiteFiles(site), site, catalogue);
        auto keysOf = [&](const char *id) {
            QStringList keys;
            const AgentOverview *agent = result.agent(QString::fromLatin1(id));
            for (const DisallowedKey &key : agent && agent->robots ? agent->robots->keys : QList<DisallowedKey>())
                keys << key.key + u' ' + QString::number(key.requests);
            return keys;
        };
        QCOMPARE(keysOf("baiduspider"), (QStringList{"/b/3 2", "/b/1 1", "/b/1 1", "/b/2 1"}));
        QCOMPARE(keysOf("googlebot"), (QStringList{"/b/0 1", "/b/1 1"}));
    }

    // The golden folder's figures, worked out by hand, for one job and several.
    void golden_data()
    {
        QTest::addColumn<QString>("jobs");
        QTest::newRow("one job") << "1";
        QTest::newRow("three jobs") << "3";
    }
    void golden()
    {
        QFETCH(QString, jobs);
        QTemporaryDir config;
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(kGolden);
        process.start(QStringLiteral(TRAWLEX_BIN "/trawlex-cli"),
                      {"overview", "--json", "--jobs", jobs, "--sitemap", "sitemap.xml", "--robots", "robots.txt", "logs"});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        const QJsonObject actual = QJsonDocument::fromJson(process.readAllStandardOutput()).object();
        QFile file(kGolden + QStringLiteral("/expected.json"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonObject expected = QJsonDocument::fromJson(file.readAll()).object();
        QCOMPARE(actual.value("sitemap"), expected.value("sitemap"));
        QCOMPARE(actual.value("robots_txt"), expected.value("robots_txt"));
        const QJsonArray agents = actual.value("agents").toArray();
        QCOMPARE(agents.size(), expected.value("agents").toArray().size());
        for (qsizetype i = 0; i < agents.size(); ++i) {
            const QJsonObject want = expected.value("agents")[i].toObject();
            for (const char *key : {"id", "coverage", "robots", "sections", "hours"})
                QVERIFY2(agents[i][key] == want.value(key), qPrintable(want.value("id").toString() + u' ' + key));
        }
    }
};

QTEST_GUILESS_MAIN(TestSite)
#include "test_site.moc"
