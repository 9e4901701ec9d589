#include "crawl_log/crawl_run.h"
#include "logs/client_address.h"
#include "logs/formats/log_formats.h"
#include "logs/log_input.h"
#include "logs/log_reader.h"
#include "overview/agent_catalogue.h"
#include "overview/overview_json.h"
#include "overview/overview_run.h"
#include "support/crawl_fixtures.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kGolden = QStringLiteral(TRAWLEX_TEST_DATA "/formats");

// One record as a line of its golden file: day, second, client, forwarded,
// page ("-" for none), query, status, bytes, agent; tab-separated.
QString describe(const LogRecord &r)
{
    return QStringList{QString::number(r.day), QString::number(r.second), QString::fromUtf8(r.client),
                       QString::fromUtf8(r.forwarded), r.hasPage ? QString::fromUtf8(r.page) : QStringLiteral("-"),
                       QString::fromUtf8(r.query), QString::number(r.status), QString::number(r.bytes), QString::fromUtf8(r.agent)}
        .join(u'\t');
}

struct Read
{
    QStringList records;
    LogFileStats stats;
};

Read readFile(const QString &path, const LogReadOptions &options = {})
{
    Read read;
    read.stats = ReadLogRecords({path, path, {}}, options, [&](const LogRecord &r) { read.records.append(describe(r)); });
    return read;
}

Read readBytes(const QByteArray &bytes, const LogReadOptions &options = {})
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.log"));
    WriteFile(path, bytes);
    return readFile(path, options);
}

QByteArray formatsFile(const QString &definitions) { return (u"{\"formats\": [" + definitions + u"]}").toUtf8(); }

struct Cli
{
    int status = -1;
    QString out;
    QString err;
};

Cli runCli(const QStringList &arguments, const QString &configHome)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TRAWLEX_BIN "/trawlex-cli"), arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// The figures of an overview that do not depend on how the lines were written.
QJsonObject figures(const QString &folder)
{
    OverviewRequest request;
    request.paths = {folder};
    QJsonObject json = QJsonDocument::fromJson(OverviewJsonText(RunOverview(request, LoadAgentCatalogue()))).object();
    json.remove(QStringLiteral("inputs"));
    // What the crawl run finds for a crawler, one token with spaces: requests and pages of the
    // files (whose names, and so whose order, differ by format).
    for (const QString &token : {QStringLiteral("Baiduspider"), QStringLiteral("Sogou web spider")}) {
        qint64 requests = 0;
        qint64 pages = 0;
        for (const LogInput &input : CollectLogInputs({folder}, false).inputs) {
            const LogFileAnalysis analysis = AnalyzeLogFile(input, CrawlerToken(token), nullptr);
            requests += analysis.summary.requests;
            pages += analysis.summary.validPages;
        }
        json.insert(token, QJsonArray{requests, pages});
    }
    return json;
}

}  // namespace

class TestLogFormats : public QObject
{
    Q_OBJECT

private slots:
    // Lines written from each vendor's published fields, and the records worked out by hand.
    void builtinFormats_data()
    {
        QTest::addColumn<QString>("name");
        for (const LogFormatDefinition &format : BuiltinLogFormats().definitions)
            QTest::newRow(qPrintable(format.name)) << format.name;
    }
    void builtinFormats()
    {
        QFETCH(QString, name);
        QFile expectedFile(kGolden + u'/' + name + QStringLiteral("/expected.tsv"));
        QVERIFY(expectedFile.open(QIODevice::ReadOnly));
        const QStringList expected = QString::fromUtf8(expectedFile.readAll()).split(u'\n', Qt::SkipEmptyParts);
        const bool anyAgent = std::any_of(expected.begin(), expected.end(),
                                          [](const QString &line) { return !line.section(u'\t', 8).isEmpty(); });
        // Found by detection, and when named.
        for (const QString &logFormat : {QString(), name}) {
            LogReadOptions options;
            options.logFormat = logFormat;
            const Read read = readFile(kGolden + u'/' + name + QStringLiteral("/log"), options);
            QCOMPARE(read.stats.skipReason, QString());
            QCOMPARE(read.stats.formatName, name);
            QCOMPARE(read.records, expected);
            QCOMPARE(read.stats.badLines, 0);
            QCOMPARE(read.stats.noAgentField, !anyAgent);
        }
    }

    // The same requests written in combined and in each built-in format give the same overview and
    // the same crawl run.
    void sameFiguresInEveryFormat()
    {
        QTemporaryDir dir;
        auto generate = [&dir](const QString &format) {
            const QString folder = dir.filePath(format);
            QProcess loggen;
            loggen.start(QStringLiteral(TRAWLEX_BIN "/trawlex-loggen"),
                         {QStringLiteral("--files"), QStringLiteral("2"), QStringLiteral("--lines"), QStringLiteral("400"),
                          QStringLiteral("--mix"), QStringLiteral("overview"), QStringLiteral("--seed"),
                          QStringLiteral("7"), QStringLiteral("--format"), format, folder});
            return loggen.waitForFinished(60000) && loggen.exitCode() == 0 ? folder : QString();
        };
        const QJsonObject combined = figures(generate(QStringLiteral("combined")));
        QCOMPARE(combined.value(QStringLiteral("records")).toInt(), 800);
        for (const LogFormatDefinition &format : BuiltinLogFormats().definitions) {
            const QString folder = generate(format.name);
            QVERIFY2(!folder.isEmpty(), qPrintable(format.name));
            // The folder scan takes each vendor's file names for logs.
            QCOMPARE(CollectLogInputs({folder}, false).inputs.size(), 2);
            QVERIFY2(figures(folder) == combined, qPrintable(format.name));
        }
    }

    // A faulty definition says which one and which field, and lists what would do.
    void faultyDefinitions_data()
    {
        QTest::addColumn<QString>("definitions");
        QTest::addColumn<QStringList>("told");
        QTest::newRow("unknown field") << "{\"name\": \"x\", \"title\": \"X\", \"layout\": \"$status\", \"sample\": 1}"
                                       << QStringList{"“x”", "“sample”", "name、title、detect、layout、json、w3c"};
        QTest::newRow("no way of reading") << "{\"name\": \"x\", \"title\": \"X\"}" << QStringList{"“x”", "layout、json、w3c"};
        QTest::newRow("two ways") << "{\"name\": \"x\", \"title\": \"X\", \"layout\": \"$status\", \"json\": {}}"
                                  << QStringList{"“x”", "只有一个"};
        QTest::newRow("layout of no fields") << "{\"name\": \"x\", \"title\": \"X\", \"layout\": \"plain\"}"
                                             << QStringList{"“x”", "“layout”", "没有字段"};
        QTest::newRow("unknown JSON field") << "{\"name\": \"x\", \"title\": \"X\", \"json\": {\"agnet\": \"ua\"}}"
                                            << QStringList{"“json”", "“agnet”", "agent"};
        QTest::newRow("bad path") << "{\"name\": \"x\", \"title\": \"X\", \"json\": {\"agent\": \"a..b\"}}"
                                  << QStringList{"“json”", "agent", "路径"};
        QTest::newRow("bad time form") << "{\"name\": \"x\", \"title\": \"X\", \"json\": {\"time_format\": \"unix_us\"}}"
                                       << QStringList{"“json”", "auto、unix"};
        QTest::newRow("reserved name") << "{\"name\": \"combined\", \"title\": \"X\", \"layout\": \"$status\"}"
                                       << QStringList{"“name”", "combined"};
        QTest::newRow("detect not a flag") << "{\"name\": \"x\", \"title\": \"X\", \"detect\": \"yes\", \"layout\": \"$status\"}"
                                           << QStringList{"“detect”", "true 或 false"};
        QTest::newRow("name twice") << "{\"name\": \"x\", \"title\": \"X\", \"layout\": \"$status\"}, "
                                       "{\"name\": \"x\", \"title\": \"Y\", \"layout\": \"$status\"}"
                                    << QStringList{"“x”", "重复"};
    }
    void faultyDefinitions()
    {
        QFETCH(QString, definitions);
        QFETCH(QStringList, told);
        const LogFormatFile file = ParseLogFormats(formatsFile(definitions), QStringLiteral("my.json"));
        QVERIFY(file.definitions.isEmpty());
        QVERIFY2(file.fault.startsWith(QStringLiteral("my.json")), qPrintable(file.fault));
        for (const QString &part : told)
            QVERIFY2(file.fault.contains(part), qPrintable(file.fault + u" ∌ " + part));
    }

    // A user's definitions replace built-in ones by name and add their own; a faulty user file is
    // left out with its fault kept, a faulty file named for the run fails the run.
    void userDefinitions()
    {
        QTemporaryDir dir;
        const QString user = dir.filePath(QStringLiteral("formats.json"));
        WriteFile(user, formatsFile(QStringLiteral(
                            "{\"name\": \"caddy\", \"title\": \"我的 Caddy\", \"detect\": false, \"json\": {\"status\": \"s\"}},"
                            "{\"name\": \"pipes\", \"title\": \"竖线\", \"layout\": \"$remote_addr|$time_iso8601|$request_uri|$status|$http_user_agent\"}")));
        QString fault;
        const std::shared_ptr<const LogFormats> formats = LoadLogFormats(user, {}, &fault);
        QVERIFY(formats && fault.isEmpty());
        QCOMPARE(formats->definitions.size(), BuiltinLogFormats().definitions.size() + 1);
        QCOMPARE(formats->find(QStringLiteral("caddy"))->title, QStringLiteral("我的 Caddy"));
        QCOMPARE(formats->find(QStringLiteral("pipes"))->origin, QDir::toNativeSeparators(user));
        LogReadOptions options;
        options.formats = formats;
        const Read read = readBytes("192.0.2.1|2024-01-02T03:04:05+08:00|/a?b|200|Mozilla/5.0 (x) Baiduspider\n", options);
        QCOMPARE(read.stats.formatName, QStringLiteral("pipes"));
        QCOMPARE(read.records, QStringList{"20240102\t11045\t192.0.2.1\t\t/a\tb\t200\t0\tMozilla/5.0 (x) Baiduspider"});

        const QString broken = dir.filePath(QStringLiteral("broken.json"));
        WriteFile(broken, "{\"formats\": [{\"name\": \"x\"}]}");
        const std::shared_ptr<const LogFormats> withoutUser = LoadLogFormats(broken, {}, &fault);
        QVERIFY(withoutUser && fault.isEmpty());
        QCOMPARE(withoutUser->definitions.size(), BuiltinLogFormats().definitions.size());
        QCOMPARE(withoutUser->problems.size(), 1);
        QVERIFY(withoutUser->problems.front().contains(QStringLiteral("“title”")));
        QVERIFY(!LoadLogFormats(user, broken, &fault));
        QVERIFY(fault.contains(QStringLiteral("“title”")));
        QVERIFY(!LoadLogFormats({}, dir.filePath(QStringLiteral("missing.json")), &fault));
        QVERIFY(fault.contains(QStringLiteral("无法读取")));
    }

    // What layouts gained for these logs, and lines that are no record of them.
    void layouts_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("record");  // empty: a bad line
        QTest::newRow("msec") << "$msec $remote_addr $status" << QByteArray("1709208000.123 192.0.2.1 200")
                              << "20240229\t43200\t192.0.2.1\t\t-\t\t200\t0\t";
        QTest::newRow("unix ms") << "$time_unix_ms $status" << QByteArray("1709208000123 404")
                                 << "20240229\t43200\t\t\t-\t\t404\t0\t";
        QTest::newRow("address and port, IPv6 unbracketed") << "$remote_addr_port $status"
                                                            << QByteArray("2001:db8::1:443 200")
                                                            << "0\t-1\t2001:db8::1\t\t-\t\t200\t0\t";
        QTest::newRow("agent with spaces, fields both sides")
            << "$remote_addr $http_user_agent $status $body_bytes_sent" << QByteArray("192.0.2.1 A B (C; D) 301 12")
            << "0\t-1\t192.0.2.1\t\t-\t\t301\t12\tA B (C; D)";
        QTest::newRow("agent with spaces, a field short") << "$remote_addr $http_user_agent $status $body_bytes_sent"
                                                          << QByteArray("192.0.2.1 301") << QString();
        QTest::newRow("full URL") << "\"$request_method $request_uri_full\" $status"
                                  << QByteArray("\"GET https://a.example:8443/x/y?z=1\" 200")
                                  << "0\t-1\t\t\t/x/y\tz=1\t200\t0\t";
        QTest::newRow("compact time, skipped field") << "$time_compact $skip $status" << QByteArray("20240102030405 x 200")
                                                     << "20240102\t11045\t\t\t-\t\t200\t0\t";
    }
    void layouts()
    {
        QFETCH(QString, layout);
        QFETCH(QByteArray, line);
        QFETCH(QString, record);
        LogReadOptions options;
        options.logFormat = layout;
        const Read read = readBytes(line + '\n', options);
        QCOMPARE(read.records, record.isEmpty() ? QStringList() : QStringList{record});
        QCOMPARE(read.stats.badLines, record.isEmpty() ? 1 : 0);
    }

    // JSON lines that are not quite what a definition expects.
    void jsonLines_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("record");  // empty: a bad line
        QTest::newRow("not JSON") << QByteArray("{\"ts\": 1,") << QString();
        QTest::newRow("not an object") << QByteArray("[1, 2]") << QString();
        QTest::newRow("fields of other types") << QByteArray("{\"ts\": \"x\", \"status\": 99999, \"size\": -1, "
                                                             "\"request\": {\"client_ip\": 7, \"uri\": null}}")
                                               << "0\t-1\t\t\t-\t\t0\t0\t";
        QTest::newRow("index past the end") << QByteArray("{\"ts\": 1700000000, \"status\": \"200\", "
                                                          "\"request\": {\"headers\": {\"User-Agent\": []}}}")
                                            << "20231114\t80000\t\t\t-\t\t200\t0\t";
        QTest::newRow("escapes, milliseconds") << QByteArray("{\"ts\": 1700000000000, \"status\": 200, \"request\": "
                                                             "{\"uri\": \"/a\\u0062\", \"headers\": {\"User-Agent\": "
                                                             "[\"x \\\"y\\\"\"]}}}")
                                               << "20231114\t80000\t\t\t/ab\t\t200\t0\tx \"y\"";
    }
    void jsonLines()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, record);
        LogReadOptions options;
        options.logFormat = QStringLiteral("caddy");
        const Read read = readBytes(line + '\n', options);
        QCOMPARE(read.records, record.isEmpty() ? QStringList() : QStringList{record});
        QCOMPARE(read.stats.badLines, record.isEmpty() ? 1 : 0);
    }

    // The right-most address that is neither local nor a trusted proxy.
    void forwardedClient_data()
    {
        QTest::addColumn<QString>("trusted");
        QTest::addColumn<QByteArray>("forwarded");
        QTest::addColumn<QByteArray>("client");
        QTest::newRow("none") << QString() << QByteArray() << QByteArray("10.0.0.1");
        QTest::newRow("one public") << QString() << QByteArray("66.249.66.1") << QByteArray("66.249.66.1");
        QTest::newRow("local hops skipped") << QString() << QByteArray("66.249.66.1, 10.1.1.1, 192.168.0.9")
                                            << QByteArray("66.249.66.1");
        QTest::newRow("spoofed left part ignored") << QString() << QByteArray("1.2.3.4, 66.249.66.1")
                                                   << QByteArray("66.249.66.1");
        QTest::newRow("trusted CDN skipped") << "203.0.113.0/24,2001:db8::/32"
                                             << QByteArray("66.249.66.1,203.0.113.5, 2001:db8::9")
                                             << QByteArray("66.249.66.1");
        QTest::newRow("only local and junk") << QString() << QByteArray("unknown, 127.0.0.1") << QByteArray("10.0.0.1");
    }
    void forwardedClient()
    {
        QFETCH(QString, trusted);
        QFETCH(QByteArray, forwarded);
        QFETCH(QByteArray, client);
        ForwardedClients clients;
        QString bad;
        QVERIFY(clients.addTrusted(trusted, &bad));
        clients.finish();
        QCOMPARE(clients.clientOf("10.0.0.1", forwarded).toByteArray(), client);
        QVERIFY(!clients.addTrusted(QStringLiteral("203.0.113.0/33"), &bad));
        QCOMPARE(bad, QStringLiteral("203.0.113.0/33"));
    }

    // The command line: the formats listed with their source, a faulty --formats-file refused,
    // the client taken from X-Forwarded-For.
    void commandLine()
    {
        QTemporaryDir config;
        QTemporaryDir dir;
        QDir(config.path()).mkpath(QStringLiteral("蛛迹通"));
        const QString user = config.filePath(QStringLiteral("蛛迹通/formats.json"));
        WriteFile(user, formatsFile(QStringLiteral("{\"name\": \"mine\", \"title\": \"我的\", \"layout\": \"$remote_addr $status\"}")));
        const Cli list = runCli({QStringLiteral("formats")}, config.path());
        QCOMPARE(list.status, 0);
        QVERIFY(list.out.contains(QStringLiteral("aliyun-cdn\t阿里云 CDN\t自动识别\t内置")));
        QVERIFY(list.out.contains(QStringLiteral("mine\t我的\t自动识别\t") + QDir::toNativeSeparators(user)));

        const QString broken = dir.filePath(QStringLiteral("broken.json"));
        WriteFile(broken, formatsFile(QStringLiteral("{\"name\": \"x\", \"title\": \"X\", \"layout\": \"$status\", \"oops\": 1}")));
        const Cli refused = runCli({QStringLiteral("overview"), QStringLiteral("--formats-file"), broken, dir.path()},
                                   config.path());
        QCOMPARE(refused.status, 2);
        QVERIFY2(refused.err.contains(QStringLiteral("“oops”")), qPrintable(refused.err));

        const QString log = dir.filePath(QStringLiteral("access.json"));
        WriteFile(log, "{\"time_iso8601\":\"2024-02-29T12:00:00+08:00\",\"remote_addr\":\"10.0.0.5\",\"http_x_forwarded_for\":"
                       "\"66.249.66.1, 203.0.113.5\",\"request\":\"GET / HTTP/1.1\",\"status\":\"200\","
                       "\"http_user_agent\":\"Mozilla/5.0 (compatible; Googlebot/2.1)\"}\n");
        // Behind a proxy every client is local, and the crawler check says so; the forwarded one is not.
        auto overview = [&](const QStringList &clientOptions) {
            const Cli run = runCli(QStringList{QStringLiteral("overview"), QStringLiteral("--json"), QStringLiteral("--verify"),
                                               QStringLiteral("--dns-server"), QStringLiteral("127.0.0.1:9")}
                                       + clientOptions + QStringList{log},
                                   config.path());
            return QJsonDocument::fromJson(run.out.toUtf8()).object();
        };
        const QJsonObject connecting = overview({});
        QCOMPARE(connecting[QStringLiteral("inputs")][0][QStringLiteral("format")].toString(), QStringLiteral("nginx-json"));
        QVERIFY(connecting.contains(QStringLiteral("verification_note")));
        const QJsonObject forwarded = overview({QStringLiteral("--client-from"), QStringLiteral("forwarded"),
                                                QStringLiteral("--trusted-proxy"), QStringLiteral("203.0.113.0/24")});
        QCOMPARE(forwarded[QStringLiteral("agents")][0][QStringLiteral("requests")].toInt(), 1);
        QVERIFY(!forwarded.contains(QStringLiteral("verification_note")));
        QCOMPARE(runCli({QStringLiteral("overview"), QStringLiteral("--trusted-proxy"), QStringLiteral("1.2.3.4"), log},
                        config.path()).status, 2);
    }
};

QTEST_GUILESS_MAIN(TestLogFormats)
#include "test_log_formats.moc"
