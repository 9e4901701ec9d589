#include "overview/agent_catalogue.h"
#include "overview/overview_format.h"
#include "overview/overview_json.h"
#include "overview/overview_run.h"
#include "store/site_store.h"
#include "store/store_import.h"
#include "store/store_overview.h"
#include "store/trend.h"
#include "store/trend_table.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>
#include <unistd.h>

namespace {

const char *const kAgents[] = {
    "Mozilla/5.0 (compatible; Baiduspider/2.0; +http://www.baidu.com/search/spider.html)",
    "Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)",
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 Chrome/120.0 Safari/537.36",
    "curl/8.4.0",
    "Mozilla/5.0 (compatible; ExampleBot/1.0; +https://example.com/bot)",  // one of the other crawlers
};

// `count` nginx lines of 2026-12-`day`, from `first` on; every fifth one is
// written twice in the same second, as two requests.
QByteArray NcsaLines(int day, int first, int count)
{
    QByteArray lines;
    for (int i = first; i < first + count; ++i) {
        const QByteArray line = QStringLiteral("10.0.%1.%2 - - [%3/Dec/2026:%4:%5:%6 +0800] \"GET /page/%7.html?x=1 HTTP/1.1\" %8 %9 \"-\" \"%10\"\n")
                                    .arg(i % 7).arg(i % 50).arg(day, 2, 10, QLatin1Char('0'))
                                    .arg(i / 60 % 24, 2, 10, QLatin1Char('0')).arg(i % 60, 2, 10, QLatin1Char('0'))
                                    .arg(i * 7 % 60, 2, 10, QLatin1Char('0')).arg(i % 37)
                                    .arg(i % 11 == 0 ? 404 : i % 13 == 0 ? 503 : 200).arg(100 + i)
                                    .arg(QLatin1String(kAgents[i % std::size(kAgents)]))
                                    .toUtf8();
        lines += line;
        if (i % 5 == 0)
            lines += line;
    }
    return lines;
}

QByteArray W3cHeader()
{
    return "#Software: Microsoft Internet Information Services 10.0\r\n#Version: 1.0\r\n"
           "#Fields: date time cs-uri-stem c-ip cs(User-Agent) sc-status sc-bytes\r\n";
}

QByteArray W3cLines(int first, int count)
{
    QByteArray lines;
    for (int i = first; i < first + count; ++i)
        lines += QStringLiteral("2026-12-02 08:%1:00 /Shop/Item%2.aspx 192.168.1.%3 %4 %5 %6\r\n")
                     .arg(i % 60, 2, 10, QLatin1Char('0')).arg(i % 9).arg(i % 4)
                     .arg(QString::fromLatin1(kAgents[i % 2]).replace(u' ', u'+'))
                     .arg(i % 6 == 0 ? 301 : 200).arg(2000 + i)
                     .toUtf8();
    return lines;
}

void Append(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::Append), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

void Write(const QString &path, const QByteArray &bytes)
{
    QFile::remove(path);
    Append(path, bytes);
}

// The overview's JSON without its inputs: what the figures are, whichever
// files they came from.
QJsonObject Figures(const OverviewResult &result)
{
    QJsonObject json = QJsonDocument::fromJson(OverviewJsonText(result)).object();
    json.remove(QStringLiteral("inputs"));
    return json;
}

QJsonObject PlainFigures(const QString &folder, QDate from = {}, QDate to = {})
{
    OverviewRequest request;
    request.paths = {folder};
    request.from = from;
    request.to = to;
    return Figures(RunOverview(request, BuiltInAgentCatalogue()));
}

QJsonObject StoreFigures(const QString &store, QDate from = {}, QDate to = {})
{
    QString problem;
    const std::optional<OverviewResult> result = OverviewFromStore({store, from, to, false, false}, BuiltInAgentCatalogue(), &problem);
    if (!result)
        qWarning() << problem;
    return result ? Figures(*result) : QJsonObject();
}

// The import's line of each input, by name.
QMap<QString, QString> ImportLines(const ImportRequest &request)
{
    const ImportResult result = RunImport(request, BuiltInAgentCatalogue());
    QMap<QString, QString> lines;
    for (const ImportedInput &input : result.inputs)
        lines.insert(input.name, ImportedInputLine(input));
    if (!result.storeProblem.isEmpty())
        lines.insert(QStringLiteral("store"), result.storeProblem);
    return lines;
}

QString Added(const QString &name, qint64 records) { return name + QStringLiteral("：新增 %1 条记录").arg(records); }
QString NothingNew(const QString &name) { return name + QStringLiteral("：已导入，无新内容"); }

qint64 RecordCount(const QByteArray &lines) { return lines.count('\n'); }

}  // namespace

class TestStore : public QObject
{
    Q_OBJECT

private slots:
    void rotationCountsEveryLineOnce();
    void unusableStoreLosesNothing_data();
    void unusableStoreLosesNothing();
    void olderStoreIsUpgraded();
    void periodStarts_data();
    void periodStarts();
    void trendListsEveryPeriod();
};

// Days of logs written and rotated every way logrotate and servers do,
// imported between the steps: the store ends up with every written line once.
void TestStore::rotationCountsEveryLineOnce()
{
    QTemporaryDir dir;
    const QString logs = dir.filePath(QStringLiteral("logs"));
    const QString other = dir.filePath(QStringLiteral("other"));
    QVERIFY(QDir().mkpath(logs) && QDir().mkpath(other) && QDir().mkpath(logs + QStringLiteral("/W3SVC1")));
    auto log = [&](const QString &name) -> QString { return logs + u'/' + name; };
    const ImportRequest request{dir.filePath(QStringLiteral("site.sqlite")), {logs, other}, true, {}, 2, 0, 0};
    QByteArray written;  // every nginx line as the server wrote it, once
    QByteArray w3cWritten = W3cHeader();

    const QByteArray day1 = NcsaLines(1, 0, 40);
    Write(log(QStringLiteral("access.log")), day1);
    written += day1;
    const QByteArray w3cFirst = W3cLines(0, 5);  // a short log: fewer than 4 KiB
    Write(log(QStringLiteral("u_ex261202.log")), W3cHeader() + w3cFirst);
    w3cWritten += w3cFirst;
    QMap<QString, QString> lines = ImportLines(request);
    QCOMPARE(lines.value(QStringLiteral("access.log")), Added(QStringLiteral("access.log"), RecordCount(day1)));

    // Imported while the server is half-way through a line.
    const QByteArray day2 = NcsaLines(2, 0, 30);
    const QByteArray finishing = NcsaLines(2, 31, 1);
    const qsizetype half = finishing.size() / 2;
    Append(log(QStringLiteral("access.log")), day2 + finishing.first(half));
    lines = ImportLines(request);
    QCOMPARE(lines.value(QStringLiteral("access.log")), Added(QStringLiteral("access.log"), RecordCount(day2)));

    // The line ends, logrotate renames and creates, the server writes on into
    // the renamed file for a moment; the W3C log grows and moves.
    const QByteArray late = NcsaLines(2, 40, 3);
    Append(log(QStringLiteral("access.log")), finishing.sliced(half) + late);
    written += day2 + finishing + late;
    QVERIFY(QFile::rename(log(QStringLiteral("access.log")), log(QStringLiteral("access.log.1"))));
    const QByteArray day3 = NcsaLines(3, 0, 35);
    Write(log(QStringLiteral("access.log")), day3);
    written += day3;
    const QByteArray w3cMore = W3cLines(5, 40);
    Append(log(QStringLiteral("u_ex261202.log")), w3cMore);
    w3cWritten += w3cMore;
    QVERIFY(QFile::rename(log(QStringLiteral("u_ex261202.log")), log(QStringLiteral("W3SVC1/u_ex261202.log"))));
    lines = ImportLines(request);
    QCOMPARE(lines.value(QStringLiteral("access.log.1")), Added(QStringLiteral("access.log.1"), 1 + RecordCount(late)));
    QCOMPARE(lines.value(QStringLiteral("access.log")), Added(QStringLiteral("access.log"), RecordCount(day3)));
    QCOMPARE(lines.value(QStringLiteral("W3SVC1/u_ex261202.log")),
             Added(QStringLiteral("W3SVC1/u_ex261202.log"), RecordCount(w3cMore)));

    // delaycompress: the next rotation compresses the older file.
    QCOMPARE(QProcess::execute(QStringLiteral("gzip"), {log(QStringLiteral("access.log.1"))}), 0);
    QVERIFY(QFile::rename(log(QStringLiteral("access.log.1.gz")), log(QStringLiteral("access.log.2.gz"))));
    QVERIFY(QFile::rename(log(QStringLiteral("access.log")), log(QStringLiteral("access.log.1"))));
    const QByteArray day4 = NcsaLines(4, 0, 30);
    Write(log(QStringLiteral("access.log")), day4);
    written += day4;
    lines = ImportLines(request);
    QCOMPARE(lines.value(QStringLiteral("access.log.2.gz")), NothingNew(QStringLiteral("access.log.2.gz")));
    QCOMPARE(lines.value(QStringLiteral("access.log.1")), NothingNew(QStringLiteral("access.log.1")));
    QCOMPARE(lines.value(QStringLiteral("access.log")), Added(QStringLiteral("access.log"), RecordCount(day4)));

    // copytruncate under a date name, with lines written since the last import.
    const QByteArray day4Late = NcsaLines(4, 30, 40);
    Append(log(QStringLiteral("access.log")), day4Late);
    written += day4Late;
    QVERIFY(QFile::copy(log(QStringLiteral("access.log")), log(QStringLiteral("access.log-20261205"))));
    const QByteArray day5 = NcsaLines(5, 0, 30);
    Write(log(QStringLiteral("access.log")), day5);
    written += day5;
    // The same content again in one run: a copy elsewhere, a link.
    QVERIFY(QFile::copy(log(QStringLiteral("access.log-20261205")), other + QStringLiteral("/copy.log")));
    QVERIFY(QFile::link(log(QStringLiteral("access.log.1")), other + QStringLiteral("/link.log")));
    lines = ImportLines(request);
    QCOMPARE(lines.value(QStringLiteral("access.log-20261205")),
             Added(QStringLiteral("access.log-20261205"), RecordCount(day4Late)));
    QCOMPARE(lines.value(QStringLiteral("access.log")), Added(QStringLiteral("access.log"), RecordCount(day5)));
    QCOMPARE(lines.value(QStringLiteral("copy.log")), NothingNew(QStringLiteral("copy.log")));
    QCOMPARE(lines.value(QStringLiteral("link.log")), NothingNew(QStringLiteral("link.log")));

    // Edited in place: the same first bytes, a status changed further in,
    // and new lines after it; none of it is taken.
    QFile dated(log(QStringLiteral("access.log-20261205")));
    QVERIFY(dated.open(QIODevice::ReadOnly));
    QByteArray edited = dated.readAll();
    const qsizetype status = edited.indexOf("\" 200 ", 6000);
    QVERIFY(status > 0);
    edited.replace(status + 2, 3, "500");
    Write(other + QStringLiteral("/edited.log"), edited + NcsaLines(6, 0, 5));
    lines = ImportLines(request);
    QCOMPARE(lines.value(QStringLiteral("edited.log")), QStringLiteral("edited.log：内容与已导入的不同"));
    for (const QString &name : {QStringLiteral("access.log"), QStringLiteral("access.log.1"), QStringLiteral("access.log.2.gz")})
        QCOMPARE(lines.value(name), NothingNew(name));

    // Everything written, each line once, read by a plain overview.
    const QString reference = dir.filePath(QStringLiteral("reference"));
    QVERIFY(QDir().mkpath(reference));
    Write(reference + QStringLiteral("/access.log"), written);
    Write(reference + QStringLiteral("/u_ex261202.log"), w3cWritten);
    const QJsonObject all = PlainFigures(reference);
    QVERIFY(!all.value(QStringLiteral("agents")).toArray().isEmpty());
    QVERIFY(!all.value(QStringLiteral("other_bots")).toArray().isEmpty());
    QCOMPARE(StoreFigures(request.storePath), all);
    const QDate from(2026, 12, 2);
    const QDate to(2026, 12, 4);
    const QJsonObject range = PlainFigures(reference, from, to);
    QCOMPARE(StoreFigures(request.storePath, from, to), range);

    // The figures outlive the logs.
    QVERIFY(QDir(logs).removeRecursively() && QDir(other).removeRecursively());
    QCOMPARE(StoreFigures(request.storePath), all);
    QCOMPARE(StoreFigures(request.storePath, from, to), range);
}

void TestStore::unusableStoreLosesNothing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("not SQLite") << "garbage" << "不是蛛迹通的存储文件（不是 SQLite 数据库）：";
    QTest::newRow("read-only") << "read-only" << "存储文件只读";
    QTest::newRow("full") << "full" << "磁盘已满或存储文件已达大小上限，无法写入：";
    QTest::newRow("newer version") << "newer" << "存储文件来自更新版本的蛛迹通（格式 99，本程序只认到格式 2）";
}

// A store that cannot take the import says why, and keeps what it held; the
// next import, once the store is usable, picks up exactly there.
void TestStore::unusableStoreLosesNothing()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    if (kind == QLatin1String("read-only") && ::geteuid() == 0)
        QSKIP("root writes to read-only files");
    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("site.sqlite"));
    const QString logs = dir.filePath(QStringLiteral("logs"));
    QVERIFY(QDir().mkpath(logs));
    Write(logs + QStringLiteral("/a.log"), NcsaLines(1, 0, 20));
    ImportRequest request{store, {logs}, false, {}, 1, 0, 0};
    if (kind == QLatin1String("garbage")) {
        Write(store, QByteArray("not a database, just text\n").repeated(200));
    } else {
        QVERIFY(RunImport(request, BuiltInAgentCatalogue()).storeProblem.isEmpty());
    }
    const QJsonObject before = StoreFigures(store);
    QFile original(store);
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray bytesBefore = original.readAll();

    // A day of many pages, more than a store of a few pages can take.
    QByteArray big;
    for (int i = 0; i < 3000; ++i)
        big += NcsaLines(2, i, 1).replace("/page/", QByteArray("/p" + QByteArray::number(i) + "/"));
    Write(logs + QStringLiteral("/b.log"), big);
    if (kind == QLatin1String("read-only"))
        QVERIFY(QFile::setPermissions(store, QFile::ReadOwner | QFile::ReadUser));
    if (kind == QLatin1String("full"))
        request.storePageLimit = QFileInfo(store).size() / 4096 + 2;  // SQLite's pages are 4 KiB
    if (kind == QLatin1String("newer")) {
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open(store.toUtf8().constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, "PRAGMA user_version = 99", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }

    const ImportResult refused = RunImport(request, BuiltInAgentCatalogue());
    QVERIFY2(refused.storeProblem.contains(message), qPrintable(refused.storeProblem));
    QVERIFY(refused.failed());
    if (kind == QLatin1String("garbage") || kind == QLatin1String("newer")) {
        QString problem;
        QVERIFY(!OverviewFromStore({store, {}, {}, false, false}, BuiltInAgentCatalogue(), &problem));
        QVERIFY2(problem.contains(message), qPrintable(problem));
        if (kind == QLatin1String("garbage")) {
            QFile file(store);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), bytesBefore);
        }
        return;
    }
    QCOMPARE(StoreFigures(store), before);

    QFile::setPermissions(store, QFile::ReadOwner | QFile::WriteOwner);
    request.storePageLimit = 0;
    const ImportResult again = RunImport(request, BuiltInAgentCatalogue());
    QVERIFY2(again.storeProblem.isEmpty(), qPrintable(again.storeProblem));
    QCOMPARE(StoreFigures(store), PlainFigures(logs));
}

// A store of format 1 is read only after an import has upgraded it.
void TestStore::olderStoreIsUpgraded()
{
    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("site.sqlite"));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("logs"))));
    Write(dir.filePath(QStringLiteral("logs/a.log")), NcsaLines(1, 0, 20));
    const ImportRequest request{store, {dir.filePath(QStringLiteral("logs"))}, false, {}, 1, 0, 0};
    QVERIFY(RunImport(request, BuiltInAgentCatalogue()).storeProblem.isEmpty());
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(store.toUtf8().constData(), &db), SQLITE_OK);
    QCOMPARE(sqlite3_exec(db, "DROP TABLE day_bot_words; DROP TABLE ranks; DROP TABLE rank_runs; "
                               "PRAGMA user_version = 1", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);

    QString problem;
    QVERIFY(!OverviewFromStore({store, {}, {}, false, false}, BuiltInAgentCatalogue(), &problem));
    QVERIFY2(problem.contains(QStringLiteral("存储文件是旧格式（格式 1），请先导入一次以升级")), qPrintable(problem));
    QVERIFY(RunImport(request, BuiltInAgentCatalogue()).storeProblem.isEmpty());
    QVERIFY(OverviewFromStore({store, {}, {}, false, false}, BuiltInAgentCatalogue(), &problem));
}

void TestStore::periodStarts_data()
{
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QString>("by");
    QTest::addColumn<QDate>("start");
    QTest::newRow("Monday is its week's start") << QDate(2026, 11, 30) << "week" << QDate(2026, 11, 30);
    QTest::newRow("Sunday belongs to the Monday before") << QDate(2026, 12, 6) << "week" << QDate(2026, 11, 30);
    QTest::newRow("a week across the new year") << QDate(2027, 1, 1) << "week" << QDate(2026, 12, 28);
    QTest::newRow("month by the calendar") << QDate(2026, 2, 28) << "month" << QDate(2026, 2, 1);
    QTest::newRow("day") << QDate(2026, 12, 8) << "day" << QDate(2026, 12, 8);
}

void TestStore::periodStarts()
{
    QFETCH(QDate, day);
    QFETCH(QString, by);
    QFETCH(QDate, start);
    QCOMPARE(PeriodStart(day, *TrendPeriodFromKey(by)), start);
}

// Weeks from the first day to the last, the empty ones with zeros; the change
// is rounded to one decimal and null where there is nothing to compare with.
void TestStore::trendListsEveryPeriod()
{
    QTemporaryDir dir;
    const QString logs = dir.filePath(QStringLiteral("logs"));
    QVERIFY(QDir().mkpath(logs));
    // Baidu: 3 requests in the week of 11-30 (two on 12-01, one on 12-06), none in the next week, 2 in the week after.
    auto baidu = [](const char *date, const char *page, int status) -> QByteArray {
        return QByteArray("1.2.3.4 - - [") + date + ":10:00:00 +0800] \"GET " + page + " HTTP/1.1\" "
               + QByteArray::number(status) + " 100 \"-\" \"" + kAgents[0] + "\"\n";
    };
    Write(logs + QStringLiteral("/access.log"),
          baidu("01/Dec/2026", "/a", 200) + baidu("01/Dec/2026", "/a", 404) + baidu("06/Dec/2026", "/b", 503)
              + baidu("14/Dec/2026", "/a", 200) + baidu("20/Dec/2026", "/c", 301));
    const QString store = dir.filePath(QStringLiteral("site.sqlite"));
    QVERIFY(RunImport({store, {logs}, false, {}, 1, 0, 0}, BuiltInAgentCatalogue()).storeProblem.isEmpty());

    QString problem;
    const std::optional<TrendResult> trend = TrendFromStore({store, TrendPeriod::Week, {}}, BuiltInAgentCatalogue(), &problem);
    QVERIFY2(trend, qPrintable(problem));
    const QJsonObject json = QJsonDocument::fromJson(TrendJson(*trend)).object();
    QCOMPARE(json.value(QStringLiteral("by")).toString(), QStringLiteral("week"));
    const QJsonArray periods = json.value(QStringLiteral("agents")).toArray().at(0).toObject().value(QStringLiteral("periods")).toArray();
    const QJsonArray expected = QJsonDocument::fromJson(R"([
        {"start": "2026-11-30", "requests": 3, "pages": 2, "valid_pages": 1, "4xx": 1, "5xx": 1, "bytes": 300, "change": null},
        {"start": "2026-12-07", "requests": 0, "pages": 0, "valid_pages": 0, "4xx": 0, "5xx": 0, "bytes": 0, "change": -100.0},
        {"start": "2026-12-14", "requests": 2, "pages": 2, "valid_pages": 1, "4xx": 0, "5xx": 0, "bytes": 200, "change": null}
    ])").array();
    QCOMPARE(periods, expected);
    // The text table: columns as wide as their widest cell, figures to the right.
    QVERIFY(TrendText(*trend).contains(QStringLiteral("2026-12-07       0       0         0    0    0    0 B  -100.0%\n")));
    QCOMPARE(RequestChange(3, 4), std::optional<double>(33.3));
    QCOMPARE(RequestChange(6, 5), std::optional<double>(-16.7));

    QVERIFY(!TrendFromStore({store, TrendPeriod::Month, {QStringLiteral("nosuchbot")}}, BuiltInAgentCatalogue(), &problem));
    QCOMPARE(problem, QStringLiteral("存储中没有这个蜘蛛：nosuchbot"));
}

QTEST_GUILESS_MAIN(TestStore)
#include "test_store.moc"
