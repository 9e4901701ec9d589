#include "logs/log_layout.h"
#include "logs/log_reader.h"
#include "logs/record_fields.h"
#include "support/crawl_fixtures.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

// One record as a line of text: page (or "!" for none), agent, status,
// bytes, day, second, client.
QString describe(const LogRecord &r)
{
    return QStringList{r.hasPage ? QString::fromUtf8(r.page) : QStringLiteral("!"), QString::fromUtf8(r.agent),
                       QString::number(r.status), QString::number(r.bytes), QString::number(r.day),
                       QString::number(r.second), QString::fromUtf8(r.client)}
        .join(u'|');
}

struct Read
{
    QStringList records;
    LogFileStats stats;
};

Read readBytes(const QByteArray &bytes, const QString &logFormat = {}, qsizetype blockBytes = 256 * 1024,
               bool w3cColumnsCounted = false)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.log"));
    WriteFile(path, bytes);
    LogReadOptions options;
    options.logFormat = logFormat;
    options.limits.blockBytes = blockBytes;
    options.w3cColumns = w3cColumnsCounted ? W3cColumns::Counted : W3cColumns::Needed;
    Read read;
    read.stats = ReadLogRecords({path, QStringLiteral("x.log"), {}}, options,
                                [&](const LogRecord &r) { read.records.append(describe(r)); });
    return read;
}

const QByteArray kNginx =
    "203.0.113.9 - - [01/Dec/2026:08:05:09 +0800] \"GET /a/b?x=1 HTTP/1.1\" 200 512 \"-\" "
    "\"Mozilla/5.0 (compatible; Baiduspider/2.0)\"\n";

}  // namespace

class TestLogRecords : public QObject
{
    Q_OBJECT

private slots:
    void records_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("logFormat");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("badLines");

        QTest::newRow("W3C") << QByteArray("#Software: IIS\r\n#Fields: date time c-ip cs-uri-stem sc-status sc-bytes "
                                           "cs(User-Agent)\r\n2008-05-01 00:01:02 10.0.0.1 /a.htm 200 99 Baidu+x\r\n")
                             << QString() << QStringList{"/a.htm|Baidu+x|200|99|20080501|62|10.0.0.1"} << 0;
        QTest::newRow("W3C columns change mid-file")
            << QByteArray("#Fields: date cs-uri-stem\n2008-05-01 /a\n#Fields: cs-uri-stem date\n/b 2008-05-02\n")
            << QString() << QStringList{"/a||0|0|20080501|-1|", "/b||0|0|20080502|-1|"} << 0;
        QTest::newRow("W3C header with tabs and runs of spaces")
            << QByteArray("#Fields:\tdate  \t cs-uri-stem\n2008-05-01 /a\n") << QString()
            << QStringList{"/a||0|0|20080501|-1|"} << 0;
        QTest::newRow("W3C values past 16 bytes, tabs and spaces mixed, an empty value")
            << QByteArray("#Fields: s-sitename date time cs-uri-stem c-ip cs(User-Agent) sc-status sc-bytes\n"
                          "W3SVC1234567890123\t2008-05-01 00:01:02\t/a/long/path/0123456789.htm  Baidu+x\t200 99\n")
            << QString() << QStringList{"/a/long/path/0123456789.htm|Baidu+x|200|99|20080501|62|"} << 0;
        QTest::newRow("W3C header without a space")
            << QByteArray("#Fields:cs-uri-stem\n/a\n") << QString() << QStringList{"/a||0|0|0|-1|"} << 0;
        QTest::newRow("W3C lines before the first #Fields are bad")
            << QByteArray("#Version: 1.0\n/x\n#Fields: cs-uri-stem\n/a\n") << QString()
            << QStringList{"/a||0|0|0|-1|"} << 1;
        QTest::newRow("W3C dash stem and no stem column")
            << QByteArray("#Fields: cs-uri-stem\n-\n#Fields: date\n2008-05-01\n") << QString()
            << QStringList{"!||0|0|0|-1|", "!||0|0|20080501|-1|"} << 0;
        QTest::newRow("NCSA combined") << kNginx << QString()
                                       << QStringList{"/a/b|Mozilla/5.0 (compatible; Baiduspider/2.0)|200|512|20261201|"
                                                      "29109|203.0.113.9"}
                                       << 0;
        QTest::newRow("NCSA common, absolute target")
            << QByteArray("::1 - bob [01/Dec/2026:00:00:01 -0700] \"GET http://h.example/p?q HTTP/1.0\" 304 -\n")
            << QString() << QStringList{"/p||304|0|20261201|1|::1"} << 0;
        QTest::newRow("NCSA extras, escaped quotes, host only target")
            << QByteArray("1.2.3.4 - - [01/Dec/2026:00:00:01 +0000] \"GET https://h.example HTTP/1.1\" 200 5 "
                          "\"-\" \"a \\\"q\\\" b\" \"10.0.0.1\" 0.003\n")
            << QString() << QStringList{"/|a \\\"q\\\" b|200|5|20261201|1|1.2.3.4"} << 0;
        QTest::newRow("NCSA requests without a page")
            << QByteArray("1.2.3.4 - - [01/Dec/2026:00:00:01 +0000] \"-\" 400 0 \"-\" \"-\"\n"
                          "1.2.3.4 - - [01/Dec/2026:00:00:01 +0000] \"CONNECT h:443 HTTP/1.1\" 400 0\n"
                          "1.2.3.4 - - [01/Dec/2026:00:00:01 +0000] \"\\x16\\x03\\x01\" 400 0\n"
                          "1.2.3.4 - - [01/Dec/2026:00:00:01 +0000] \"OPTIONS * HTTP/1.1\" 200 0\n")
            << QString()
            << QStringList{"!|-|400|0|20261201|1|1.2.3.4", "!||400|0|20261201|1|1.2.3.4",
                           "!||400|0|20261201|1|1.2.3.4", "!||200|0|20261201|1|1.2.3.4"}
            << 0;
        QTest::newRow("NCSA bad lines are counted")
            << kNginx + "garbage\n" + "1.2.3.4 - - [99/Foo/2026:00:00:01 +0000] \"GET / HTTP/1.1\" 200 0\n" + kNginx
            << QString() << QStringList(2, "/a/b|Mozilla/5.0 (compatible; Baiduspider/2.0)|200|512|20261201|29109|203.0.113.9")
            << 2;
        QTest::newRow("nginx layout")
            << QByteArray("h.example 203.0.113.9 [01/Dec/2026:08:05:09 +0800] GET /a?b HTTP/1.1 \"UA x\" 200\n")
            << QStringLiteral("$host $remote_addr [$time_local] $request \"$http_user_agent\" $status")
            << QStringList{"/a|UA x|200|0|20261201|29109|203.0.113.9"} << 0;
        QTest::newRow("Apache layout")
            << QByteArray("1.2.3.4 [01/Dec/2026:08:05:09 +0800] \"GET /a HTTP/1.1\" 200 12 \"UA\" 5\n")
            << QStringLiteral("%h %t \\\"%r\\\" %>s %b \\\"%{User-Agent}i\\\" %D")
            << QStringList{"/a|UA|200|12|20261201|29109|1.2.3.4"} << 0;
        QTest::newRow("layout with time_iso8601 and request_uri")
            << QByteArray("2026-12-01T08:05:09+08:00|/x?y|404\n") << QStringLiteral("$time_iso8601|$request_uri|$status")
            << QStringList{"/x||404|0|20261201|29109|"} << 0;
    }
    void records()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, logFormat);
        QFETCH(QStringList, expected);
        QFETCH(int, badLines);
        for (qsizetype block : {qsizetype(3), qsizetype(256 * 1024)}) {
            const Read read = readBytes(file, logFormat, block);
            QCOMPARE(read.records, expected);
            QCOMPARE(read.stats.records, expected.size());
            QCOMPARE(read.stats.badLines, badLines);
            QVERIFY(!read.stats.failed());
        }
    }

    void w3cColumnCount_data()
    {
        QTest::addColumn<QByteArray>("lines");  // after "#Fields: date cs-uri-stem sc-status"
        QTest::addColumn<int>("counted");       // records when the values are counted
        QTest::newRow("as many values") << QByteArray("2008-05-01 /a 200\n") << 1;
        QTest::newRow("an empty value still counts") << QByteArray("2008-05-01  200\n") << 1;
        QTest::newRow("tab separated") << QByteArray("2008-05-01\t/a\t200\n") << 1;
        QTest::newRow("fewer values") << QByteArray("2008-05-01 /a\n") << 0;
        QTest::newRow("more values") << QByteArray("2008-05-01 /a 200 x\n") << 0;
        QTest::newRow("more values past the needed ones, tabs") << QByteArray("2008-05-01\t/a\t200\tx\ty\n") << 0;
        QTest::newRow("a value longer than 16 bytes") << QByteArray("2008-05-01 /a/long/path/past/sixteen/bytes.htm 200\n") << 1;
        QTest::newRow("a separator at the end") << QByteArray("2008-05-01 /a 200 \n") << 0;
        QTest::newRow("many values past the needed ones") << QByteArray("2008-05-01 /a 200") + QByteArray(" x").repeated(20) + "\n" << 0;
    }
    void w3cColumnCount()
    {
        // The overview counts a line whose values do not fit its block as bad;
        // the crawl run reads up to the last column it needs, as it always did.
        QFETCH(QByteArray, lines);
        QFETCH(int, counted);
        for (const QByteArray &header : {QByteArray("#Fields: date cs-uri-stem sc-status\n"),
                                         QByteArray("#Fields: date cs-uri-stem sc-status s-port\n#Fields: date cs-uri-stem sc-status\n")}) {
            const Read strict = readBytes(header + lines, {}, 256 * 1024, true);
            QCOMPARE(strict.stats.records, counted);
            QCOMPARE(strict.stats.badLines, 1 - counted);
            QCOMPARE(readBytes(header + lines).stats.records, 1);
        }
    }

    void detection_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("logFormat");
        QTest::addColumn<int>("family");
        QTest::addColumn<QString>("skipReason");
        QTest::addColumn<bool>("noPageColumn");
        QTest::addColumn<bool>("bytesLogged");
        QTest::addColumn<bool>("layoutIgnored");
        const QString none;
        const int w3c = int(LogFamily::W3c);
        QTest::newRow("empty") << QByteArray() << none << w3c << none << false << false << false;
        QTest::newRow("W3C directive after a comment and blank lines")
            << QByteArray("\n#Remark\n  \n#Date: 2008-05-01\n") << none << w3c << none << true << false << false;
        QTest::newRow("W3C without sc-bytes")
            << QByteArray("#Fields: cs-uri-stem\n/a\n") << none << w3c << none << false << false << false;
        QTest::newRow("W3C with sc-bytes in a later block")
            << QByteArray("#Fields: cs-uri-stem\n/a\n#Fields: cs-uri-stem sc-bytes\n/a 5\n") << none << w3c << none
            << false << true << false;
        QTest::newRow("NCSA") << QByteArray("\n") + kNginx << none << int(LogFamily::Ncsa) << none << false << true
                              << false;
        QTest::newRow("text") << QByteArray("Dear user,\n") + kNginx << none << w3c
                              << QStringLiteral("不是可识别的日志格式") << false << false << false;
        QTest::newRow("nginx error log")
            << QByteArray("2020/11/22 12:00:00 [error] 12#12: *1 open() \"/x\" failed\n") << none << w3c
            << QStringLiteral("错误日志") << false << false << false;
        QTest::newRow("Apache error log, even with a format string")
            << QByteArray("[Sun Nov 22 12:00:00 2020] [error] [client 1.2.3.4] File does not exist\n")
            << QStringLiteral("$remote_addr $request") << w3c << QStringLiteral("错误日志") << false << false << false;
        QTest::newRow("Apache 2.4 error log")
            << QByteArray("[Sun Nov 22 12:00:00.123456 2020] [core:error] [pid 7] AH00126: Invalid URI\n") << none
            << w3c << QStringLiteral("错误日志") << false << false << false;
        QTest::newRow("a format string that fits")
            << QByteArray("1.2.3.4|GET /a HTTP/1.1\n") << QStringLiteral("$remote_addr|$request")
            << int(LogFamily::Custom) << none << false << false << false;
        QTest::newRow("a format string that does not fit a combined log")
            << kNginx << QStringLiteral("$remote_addr|$request") << int(LogFamily::Ncsa) << none << false << true << true;
        QTest::newRow("a W3C format chosen for a combined log")
            << kNginx << QStringLiteral("cloudfront") << int(LogFamily::Ncsa) << none << false << true << true;
    }
    void detection()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, logFormat);
        QFETCH(int, family);
        QFETCH(QString, skipReason);
        QFETCH(bool, noPageColumn);
        QFETCH(bool, bytesLogged);
        QFETCH(bool, layoutIgnored);
        const Read read = readBytes(file, logFormat);
        QCOMPARE(int(read.stats.family), family);
        QCOMPARE(read.stats.skipReason, skipReason);
        QCOMPARE(read.stats.noPageColumn, noPageColumn);
        QCOMPARE(read.stats.bytesLogged, bytesLogged);
        QCOMPARE(read.stats.layoutIgnored, layoutIgnored);
        QVERIFY(read.records.isEmpty() || skipReason.isEmpty());
        if (layoutIgnored)
            QCOMPARE(read.records.size(), 1);
    }

    void formatProblems_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("usable");
        QTest::newRow("combined") << QStringLiteral("combined") << true;
        QTest::newRow("common") << QStringLiteral("common") << true;
        QTest::newRow("nginx") << QStringLiteral("$remote_addr [$time_local] \"$request\"") << true;
        QTest::newRow("Apache") << QStringLiteral("%h %l %u %t \"%r\" %>s %b") << true;
        QTest::newRow("no field") << QStringLiteral("plain text") << false;
        QTest::newRow("fields side by side") << QStringLiteral("$remote_addr$status") << false;
    }
    void formatProblems()
    {
        QFETCH(QString, format);
        QFETCH(bool, usable);
        QCOMPARE(LogFormatProblem(format).isEmpty(), usable);
    }

    // Small blocks put every byte of the stored file at a block edge, also
    // the ends of members and frames that decoders read past.
    // Times and dates as the formats write them; a field that is not one
    // leaves its record without it.
    void timesAndDates_data()
    {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<bool>("w3cDate");  // read as a W3C date, else as a W3C time
        QTest::addColumn<bool>("read");
        QTest::addColumn<int>("value");     // the day or the second
        QTest::newRow("time") << QByteArray("09:05:07") << false << true << 9 * 3600 + 5 * 60 + 7;
        QTest::newRow("leap second") << QByteArray("23:59:60") << false << true << 86400;
        QTest::newRow("fraction after") << QByteArray("00:00:01.250") << false << true << 1;
        QTest::newRow("hour 24") << QByteArray("24:00:00") << false << false << 0;
        QTest::newRow("minute 60") << QByteArray("12:60:00") << false << false << 0;
        QTest::newRow("letter") << QByteArray("1a:00:00") << false << false << 0;
        QTest::newRow("byte below '0'") << QByteArray("1/:00:00") << false << false << 0;
        QTest::newRow("byte past '9'") << QByteArray("10:0::00") << false << false << 0;
        QTest::newRow("dashes") << QByteArray("10-00-00") << false << false << 0;
        QTest::newRow("short") << QByteArray("10:00:0") << false << false << 0;
        QTest::newRow("date") << QByteArray("2026-11-01") << true << true << 20261101;
        QTest::newRow("last day") << QByteArray("1999-12-31") << true << true << 19991231;
        QTest::newRow("month 13") << QByteArray("2026-13-01") << true << false << 0;
        QTest::newRow("day 0") << QByteArray("2026-11-00") << true << false << 0;
        QTest::newRow("day letter") << QByteArray("2026-11-0x") << true << false << 0;
        QTest::newRow("year letter") << QByteArray("2O26-11-01") << true << false << 0;
        QTest::newRow("slashes") << QByteArray("2026/11/01") << true << false << 0;
        QTest::newRow("too long") << QByteArray("2026-11-011") << true << false << 0;
    }
    void timesAndDates()
    {
        QFETCH(QByteArray, field);
        QFETCH(bool, w3cDate);
        QFETCH(bool, read);
        QFETCH(int, value);
        qint32 result = 0;
        QCOMPARE(w3cDate ? RecordFields::W3cDate(field, result) : RecordFields::W3cTime(field, result), read);
        if (read)
            QCOMPARE(result, value);
    }

    void compressedInSmallBlocks_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("records");
        for (const char *name : {"access.log.2.gz", "access.log.3.bz2", "access.log.4.xz", "access.log.5.zst"})
            QTest::newRow(name) << QStringLiteral(TRAWLEX_TEST_DATA "/logs/logrotate/") + QLatin1String(name)
                                << (QByteArrayView(name).endsWith(".gz") ? 2 : 1);
    }
    void compressedInSmallBlocks()
    {
        QFETCH(QString, file);
        QFETCH(int, records);
        for (qsizetype block : {2, 3, 5, 9, 16, 17, 64, 4096}) {
            LogReadOptions options;
            options.limits.blockBytes = block;
            const LogFileStats stats = ReadLogRecords({file, file, {}}, options, [](const LogRecord &) {});
            QCOMPARE(stats.errorText, QString());
            QCOMPARE(stats.records, records);
        }
    }

    void progressAndStop()
    {
        const QString file = QStringLiteral(TRAWLEX_TEST_DATA "/logs/logrotate/access.log.2.gz");
        LogReadOptions options;
        options.limits.blockBytes = 64;
        std::atomic<qint64> storedBytes = 0;
        int records = 0;
        ReadLogRecords({file, file, {}}, options, [&](const LogRecord &) { ++records; }, nullptr, &storedBytes);
        QCOMPARE(storedBytes.load(), QFileInfo(file).size());
        QCOMPARE(records, 2);

        StopFlag stop;
        stop.request();
        records = 0;
        const LogFileStats stopped = ReadLogRecords({file, file, {}}, options, [&](const LogRecord &) { ++records; },
                                                    &stop);
        QVERIFY(stopped.stopped);
        QCOMPARE(records, 1);  // the first block, which holds the first line
    }

    void unreadableAndSkipped()
    {
        const LogReadOptions options;
        const auto ignore = [](const LogRecord &) {};
        QCOMPARE(ReadLogRecords({"/no/such.log", "such.log", {}}, options, ignore).errorText,
                 QStringLiteral("文件不存在"));
        const LogFileStats skipped = ReadLogRecords({"/no/such.log", "such.log", QStringLiteral("链接目标不存在")},
                                                    options, ignore);
        QCOMPARE(skipped.skipReason, QStringLiteral("链接目标不存在"));
        QVERIFY(!skipped.failed());
    }
};

QTEST_APPLESS_MAIN(TestLogRecords)
#include "test_log_records.moc"
