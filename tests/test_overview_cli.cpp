#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

const QString kGolden = QStringLiteral(TRAWLEX_TEST_DATA "/overview");

struct Run
{
    int status = -1;
    QByteArray out;
    QString err;
};

// Runs `trawlex-cli overview` in `folder` with its own settings folder, so a
// user's crawlers.json never reaches the test.
Run overview(const QStringList &arguments, const QString &folder, const QString &configHome)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    process.start(QStringLiteral(TRAWLEX_BIN "/trawlex-cli"), QStringList{QStringLiteral("overview")} + arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), QString::fromUtf8(process.readAllStandardError())};
}

QStringList GoldenArguments(const QString &name)
{
    QFile file(kGolden + u'/' + name + QStringLiteral("/args"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

QJsonObject JsonFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

// A CSV file's rows, fields unquoted; the byte-order mark must be there.
QList<QStringList> ReadCsv(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = file.readAll();
    if (!bytes.startsWith("\xEF\xBB\xBF"))
        return {};
    const QString text = QString::fromUtf8(bytes.mid(3));
    QList<QStringList> rows{{}};
    QString field;
    bool quoted = false;
    auto next = [&text](qsizetype i) { return i + 1 < text.size() ? text[i + 1] : QChar(); };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted && c == u'"' && next(i) == u'"') {
            field += c;
            ++i;
        } else if (c == u'"') {
            quoted = !quoted;
        } else if (!quoted && c == u',') {
            rows.back().append(field);
            field.clear();
        } else if (!quoted && c == u'\r' && next(i) == u'\n') {
            rows.back().append(field);
            field.clear();
            rows.append(QStringList());
            ++i;
        } else {
            field += c;
        }
    }
    rows.removeLast();  // after the last line end
    return rows;
}

}  // namespace

class TestOverviewCli : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir config_;

private slots:
    // Each folder's expected.json was worked out by hand from its few lines.
    void golden_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("jobs");
        for (const char *name : {"w3c", "nginx", "common", "custom"})
            for (const char *jobs : {"1", "3"})
                QTest::addRow("%s, --jobs %s", name, jobs) << QString::fromLatin1(name) << QString::fromLatin1(jobs);
    }
    void golden()
    {
        QFETCH(QString, name);
        QFETCH(QString, jobs);
        const QString folder = kGolden + u'/' + name;
        const Run run = overview(QStringList{"--json", "--jobs", jobs} + GoldenArguments(name), folder, config_.path());
        QCOMPARE(run.err, QString());
        QCOMPARE(run.status, 0);
        const QJsonObject actual = QJsonDocument::fromJson(run.out).object();
        const QJsonObject expected = JsonFile(folder + QStringLiteral("/expected.json"));
        QVERIFY(!expected.isEmpty());
        for (const QString &key : expected.keys())
            QVERIFY2(actual.value(key) == expected.value(key),
                     qPrintable(key + u'\n' + QJsonDocument(actual.value(key).toArray()).toJson()));
        QCOMPARE(actual.keys(), expected.keys());
    }

    void dateRangeLeavesRecordsCounted()
    {
        const Run ranged = overview(QStringList{"--json", "--from", "2015-03-02", "--to", "2015-03-02"}
                                        + GoldenArguments(QStringLiteral("custom")),
                                    kGolden + QStringLiteral("/custom"), config_.path());
        QCOMPARE(ranged.status, 0);
        const QJsonObject result = QJsonDocument::fromJson(ranged.out).object();
        QCOMPARE(result.value("records").toInt(), 2);
        QCOMPARE(result.value("agents").toArray().size(), 1);
        QCOMPARE(result.value("agents")[0]["id"].toString(), QStringLiteral("semrushbot"));
        QCOMPARE(result.value("from").toString(), QStringLiteral("2015-03-02"));
    }

    void textTable()
    {
        const Run run = overview({"logs"}, kGolden + QStringLiteral("/nginx"), config_.path());
        QCOMPARE(run.status, 0);
        const QStringList lines = QString::fromUtf8(run.out).split(u'\n');
        QVERIFY(lines[0].startsWith(QStringLiteral("蜘蛛")));
        QVERIFY(lines[1].startsWith(QStringLiteral("谷歌蜘蛛")));
        QVERIFY(lines[7].startsWith(QStringLiteral("合计")));
        // Columns line up: every row is as wide as the header, Chinese counted twice.
        QCOMPARE(lines[1].indexOf(QStringLiteral("googlebot")), lines[0].indexOf(u'I') - 2);
        QVERIFY(lines.contains(QStringLiteral("access.log - 无效行 1 行")));
    }

    void csvReadsBack()
    {
        QTemporaryDir out;
        const Run run = overview({"--csv", out.path(), "logs"}, kGolden + QStringLiteral("/nginx"), config_.path());
        QCOMPARE(run.status, 0);
        const QList<QStringList> agents = ReadCsv(out.filePath(QStringLiteral("agents.csv")));
        QCOMPARE(agents.size(), 7);
        QCOMPARE(agents[0].mid(0, 4), (QStringList{"蜘蛛", "ID", "类别", "请求数"}));
        QCOMPARE(agents[1].mid(0, 4), (QStringList{"谷歌蜘蛛", "googlebot", "搜索引擎", "2"}));
        const QList<QStringList> days = ReadCsv(out.filePath(QStringLiteral("days.csv")));
        QCOMPARE(days.size(), 5);
        QCOMPARE(days[3].mid(0, 3), (QStringList{"2015-01-02", "4", "1"}));
        const QList<QStringList> pages = ReadCsv(out.filePath(QStringLiteral("pages.csv")));
        QVERIFY(pages.contains(QStringList{"script", "脚本工具", "/%E6%96%B0", "200", "1", "2015-01-03 10:00:00"}));
        QVERIFY(pages.contains(QStringList{"no-agent", "无标识", "", "", "", ""}) == false);
    }

    // A page that starts like a formula stays text in a spreadsheet.
    void csvKeepsFormulasAsText()
    {
        QTemporaryDir logs;
        QFile log(logs.filePath(QStringLiteral("u_ex150101.log")));
        QVERIFY(log.open(QIODevice::WriteOnly));
        log.write("#Fields: date time cs-uri-stem sc-status cs(User-Agent)\n"
                  "2015-01-01 00:00:01 =1+1 200 Googlebot/2.1\n");
        log.close();
        QTemporaryDir out;
        QCOMPARE(overview({"--csv", out.path(), "."}, logs.path(), config_.path()).status, 0);
        const QList<QStringList> pages = ReadCsv(out.filePath(QStringLiteral("pages.csv")));
        QVERIFY(pages.size() == 2 && pages[1].contains(QStringLiteral("'=1+1")));
        // Nor is a log without sc-bytes zero traffic.
        const QList<QStringList> agents = ReadCsv(out.filePath(QStringLiteral("agents.csv")));
        const qsizetype traffic = agents.value(0).indexOf(QStringLiteral("流量"));
        QVERIFY(traffic > 0);
        QCOMPARE(agents.value(1).value(traffic), QStringLiteral("—"));
        const Run json = overview({"--json", "."}, logs.path(), config_.path());
        QCOMPARE(QJsonDocument::fromJson(json.out).object().value("bytes_logged"), QJsonValue(false));
    }

    void userCatalogue()
    {
        QTemporaryDir config;
        QDir().mkpath(config.filePath(QStringLiteral("蛛迹通")));
        QFile file(config.filePath(QStringLiteral("蛛迹通/crawlers.json")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(R"({"agents": [{"id": "python", "name": "我的脚本", "category": "monitor", "tokens": ["python-requests"]}]})");
        file.close();
        const Run run = overview({"--json", "logs"}, kGolden + QStringLiteral("/nginx"), config.path());
        const QJsonObject result = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(result.value("categories")["monitor"].toInt(), 1);

        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("{\"agents\": [}");
        file.close();
        const Run malformed = overview({"--json", "logs"}, kGolden + QStringLiteral("/nginx"), config.path());
        QCOMPARE(malformed.status, 0);
        const QJsonArray problems = QJsonDocument::fromJson(malformed.out).object().value("problems").toArray();
        QCOMPARE(problems.size(), 1);
        QVERIFY(problems[0].toString().contains(QStringLiteral("crawlers.json - 已跳过")));
    }

    void exitStatus_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("content");  // of the one input file
        QTest::addColumn<int>("status");
        const QByteArray line = "1.2.3.4 - - [01/Jan/2015:00:00:00 +0800] \"GET / HTTP/1.1\" 200 1 \"-\" \"curl/8\"\n";
        QTest::newRow("fine") << QStringList{} << line << 0;
        QTest::newRow("no log, skipped") << QStringList{} << QByteArray("just some text\n") << 0;
        QTest::newRow("corrupt gzip") << QStringList{} << QByteArray("\x1f\x8b\x08\x00garbage", 12) << 1;
        QTest::newRow("two outputs") << QStringList{"--json", "--html", "x.html"} << line << 2;
        QTest::newRow("bad date") << QStringList{"--from", "2015-13-01"} << line << 2;
        QTest::newRow("from after to") << QStringList{"--from", "2015-01-02", "--to", "2015-01-01"} << line << 2;
        QTest::newRow("bad jobs") << QStringList{"--jobs", "0"} << line << 2;
    }
    void exitStatus()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, content);
        QFETCH(int, status);
        QTemporaryDir folder;
        QFile file(folder.filePath(content.startsWith('\x1f') ? "access.log.gz" : "access.log"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        QCOMPARE(overview(arguments + QStringList{folder.path()}, folder.path(), config_.path()).status, status);
    }

    void ctrlCStopsTheRun()
    {
        // Standard input holds the run open: Ctrl+C comes once the program
        // catches it (Linux lists caught signals in /proc) and has begun reading
        // standard input (more has left the queue than a pipe holds), then the
        // input ends. The log before it, taken first, stays listed.
        QTemporaryDir dir;
        const QString whole = dir.filePath(QStringLiteral("whole.log"));
        QFile log(whole);
        QVERIFY(log.open(QIODevice::WriteOnly));
        log.write("1.2.3.4 - - [01/Jan/2015:00:00:00 +0800] \"GET /a HTTP/1.1\" 200 1 \"-\" \"curl/8\"\n");
        log.close();
        QProcess process;
        process.start(QStringLiteral(TRAWLEX_BIN "/trawlex-cli"), {"overview", "--json", whole, "-"});
        QVERIFY(process.waitForStarted());
        const QByteArray line = "1.2.3.4 - - [01/Jan/2015:00:00:00 +0800] \"GET / HTTP/1.1\" 200 1 \"-\" \"curl/8\"\n";
        const qint64 written = process.write(line.repeated(8 * 1024 * 1024 / line.size()));
        const qint64 pipeAtMost = 1024 * 1024;
        QTRY_VERIFY_WITH_TIMEOUT(process.bytesToWrite() < written - pipeAtMost, 20000);
        const QString status = QStringLiteral("/proc/%1/status").arg(process.processId());
        auto catchesInterrupt = [&status] {
            QFile file(status);
            if (!file.open(QIODevice::ReadOnly))
                return false;
            for (const QByteArray &line : file.readAll().split('\n'))
                if (line.startsWith("SigCgt:"))
                    return (line.mid(7).trimmed().toULongLong(nullptr, 16) & (1u << (SIGINT - 1))) != 0;
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(catchesInterrupt(), 10000);
        QVERIFY(::kill(pid_t(process.processId()), SIGINT) == 0);
        process.closeWriteChannel();
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 130);
        const QJsonObject document = QJsonDocument::fromJson(process.readAllStandardOutput()).object();
        QCOMPARE(document.value("stopped"), QJsonValue(true));
        QCOMPARE(document.value("inputs").toArray().size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestOverviewCli)
#include "test_overview_cli.moc"
