#include "common/stop_flag.h"
#include "common/cp936.h"
#include "crawl_log/crawl_run.h"
#include "logs/log_input.h"
#include "support/crawl_fixtures.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <set>
#include <sys/stat.h>

namespace {

const QByteArray kBaidu = "Baiduspider+(+http://www.baidu.com/search/spider.htm)";

struct Run
{
    QStringList lines;
    CrawlRunSummary summary;
    PageSet pages;
    QStringList progress;
};

Run runOver(const QString &folder, const QStringList &files, int jobs = 1,
            std::function<void(int, StopFlag &)> atYield = {})
{
    CrawlRunRequest request;
    for (const QString &name : files)
        request.inputs.append({folder + u'/' + name, name, {}});
    request.token = QStringLiteral("BaiDuSpider");
    request.spiderName = QStringLiteral("百度");
    request.jobs = jobs;
    RecordingRunOutput output;
    StopFlag stop;
    if (atYield)
        output.onYield = [&](int n) { atYield(n, stop); };
    Run run;
    run.summary = RunCrawlAnalysis(request, run.pages, output, stop);
    run.lines = output.lines();
    run.progress = output.progress;
    return run;
}

QStringList logNames(const QString &folder)
{
    QStringList names;
    for (const LogInput &input : CollectLogInputs({folder}, false).inputs)
        names.append(input.displayPath);
    return names;
}

Run runOver(const QString &folder, int jobs = 1) { return runOver(folder, logNames(folder), jobs); }

}  // namespace

class TestCrawlRun : public QObject
{
    Q_OBJECT

private slots:
    void workedExample()
    {
        const QString folder = QStringLiteral(TRAWLEX_TEST_DATA "/worked_example");
        const Run run = runOver(folder);
        QCOMPARE(run.lines, (QStringList{"百度对您的网站搜索情况分析结果：", "ex080501.log - 搜索页面数：3 - 有效页面数：2",
                                         "ex080502.log - 搜索页面数：1 - 有效页面数：1", "全部有效页面数：3", "分析完成。"}));
        QCOMPARE(run.summary.totalEntry, QStringLiteral("百度搜索总有效页面数：3"));
        QCOMPARE(run.pages.pages(), (QStringList{"", "/a.htm", "/b.htm", "/c.htm"}));
        QCOMPARE(run.progress, (QStringList{"0", "max 3", "0", "1", "0"}));
    }

    void emptyFolder()
    {
        QTemporaryDir dir;
        const Run run = runOver(dir.path());
        QCOMPARE(run.lines, (QStringList{"百度对您的网站搜索情况分析结果：", "全部有效页面数：0", "分析完成。"}));
        QCOMPARE(run.progress, (QStringList{"0", "max 1", "0"}));
        QCOMPARE(run.pages.size(), 0);
    }

    void scanProblemsShowUnderTheHeader()
    {
        CrawlRunRequest request;
        request.problems = {QStringLiteral("loop/back - 已跳过：文件夹已读过（链接循环）")};
        request.inputs = {{QStringLiteral("/no/such.log"), QStringLiteral("such.log"), QStringLiteral("链接目标不存在")}};
        request.token = QStringLiteral("BaiDuSpider");
        request.spiderName = QStringLiteral("百度");
        RecordingRunOutput output;
        PageSet pages;
        StopFlag stop;
        const CrawlRunSummary summary = RunCrawlAnalysis(request, pages, output, stop);
        QCOMPARE(output.lines(), (QStringList{"百度对您的网站搜索情况分析结果：", "loop/back - 已跳过：文件夹已读过（链接循环）",
                                              "such.log - 已跳过：链接目标不存在", "全部有效页面数：0", "分析完成。"}));
        QVERIFY(!summary.anyFailed());  // a skipped file is no failure
    }

    void pagesAcrossFiles()
    {
        QTemporaryDir dir;
        WriteFile(dir.filePath("a.log"), LogHeader() + LogLine("/Home.htm", kBaidu) + LogLine("/x.htm", "Mozilla"));
        WriteFile(dir.filePath("b.log"), LogHeader() + LogLine("/home.HTM", kBaidu) + LogLine("", kBaidu));
        WriteFile(dir.filePath("c.log"), "#Fields: date time\r\n" + LogLine("/z.htm", kBaidu));  // no page column
        WriteFile(dir.filePath("d.log"), LogHeader() + LogLine("/y.htm", "Mozilla"));
        const Run run = runOver(dir.path());
        // A file without the page column still counts its requests, and says why it has no pages.
        QCOMPARE(run.lines, (QStringList{"百度对您的网站搜索情况分析结果：", "a.log - 搜索页面数：1 - 有效页面数：1",
                                         "b.log - 搜索页面数：2 - 有效页面数：1", "c.log - 搜索页面数：1 - 有效页面数：0",
                                         "c.log - 没有 cs-uri-stem 列", "d.log - 搜索页面数：0 - 有效页面数：0",
                                         "全部有效页面数：1", "分析完成。"}));
        QCOMPARE(run.pages.pages(), (QStringList{"", "/Home.htm"}));
    }

    // The sets grow far past their first size; each must agree with a plain
    // ordered set on what is new, whether its pages come as text, as logged
    // bytes or queued, and a merge keep the first-seen order.
    void setsAgreeWithAPlainSet()
    {
        QRandomGenerator random(7);
        PageSet files[2];
        PageSet queued[2];  // the same pages through the queue, flushed now and then
        std::set<std::pair<bool, QString>> knownKeys[2];
        for (int i = 0; i < 20000; ++i) {
            const bool caseMatters = random.bounded(2) == 1;
            QString page = QStringLiteral("/P%1").arg(random.bounded(3000));
            // Chinese has no letter case; É, Σ, İ and fullwidth Ａ have; "i\u0307" is İ in lower case.
            static const QStringList prefixes = {QStringLiteral("/页面"), QStringLiteral("/Été"), QStringLiteral("/ΣΑ"),
                                                 QStringLiteral("/İ"),    QStringLiteral("/i\u0307"), QStringLiteral("/Ａｂ"),
                                                 QStringLiteral("\uFEFF/")};
            if (random.bounded(3) == 0)  // past the first 16 bytes, which are read together
                page += QStringLiteral("/Section-Of-The-Site");
            if (random.bounded(4) == 0)
                page.prepend(prefixes[random.bounded(int(prefixes.size()))]);
            else if (random.bounded(8) == 0)
                page.append(prefixes[random.bounded(int(prefixes.size()))]);
            if (random.bounded(2) == 1)
                page = page.toLower();
            if (random.bounded(500) == 0)
                page.clear();
            const bool keyed = caseMatters && !page.isEmpty();
            const bool isNew = knownKeys[i % 2].insert({keyed, keyed ? page : page.toLower()}).second;
            // A page as text, and as a log holds it in UTF-8 or code page 936.
            bool lossless = false;
            const QByteArray cp936 = Cp936::encode(page, &lossless);
            const int form = random.bounded(3);
            const bool inserted = form == 0 ? files[i % 2].insert(page, caseMatters)
                                            : files[i % 2].insertLogged(form == 2 && lossless ? cp936 : page.toUtf8(),
                                                                        caseMatters);
            QCOMPARE(inserted, isNew);
            queued[i % 2].insertLoggedSoon(lossless && random.bounded(2) == 1 ? cp936 : page.toUtf8(), caseMatters);
            if (random.bounded(40) == 0)
                queued[i % 2].flush();
        }
        for (int k = 0; k < 2; ++k) {
            queued[k].flush();
            QCOMPARE(queued[k].pages(), files[k].pages());
        }
        PageSet run;
        run.merge(files[0]);
        QCOMPARE(run.pages(), files[0].pages());
        run.merge(files[1]);
        run.merge(files[1]);
        std::set<std::pair<bool, QString>> allKeys = knownKeys[0];
        allKeys.insert(knownKeys[1].begin(), knownKeys[1].end());
        QCOMPARE(run.size(), qsizetype(allKeys.size()));
        const bool empty = allKeys.count({false, QString()}) != 0;
        QCOMPARE(run.countWithoutEmptyPage(), run.size() - (empty ? 1 : 0));
    }

    // A UTF-8 page whose characters beyond ASCII have no letter case is keyed
    // by its bytes as logged: for every character, the key of a W3C page
    // holding it must still be that of its lower case.
    void everyCharacterKeyedAsItsLowerCase()
    {
        PageSet pages;
        for (char32_t c = 0x80; c < 0x20000; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF)
                continue;
            const QString page = u'/' + QString::fromUcs4(&c, 1);
            pages.insertLogged(page.toUtf8(), false);
            if (pages.insert(page.toLower()))
                QFAIL(qPrintable(QStringLiteral("U+%1").arg(quint32(c), 4, 16, QLatin1Char('0'))));
        }
    }

    void stop_data()
    {
        QTest::addColumn<int>("jobs");
        QTest::addColumn<int>("stopAtYield");
        QTest::addColumn<QStringList>("end");
        QTest::addColumn<QString>("totalEntry");
        const QStringList two{"ex1.log - 搜索页面数：1 - 有效页面数：1", "ex2.log - 搜索页面数：1 - 有效页面数：1"};
        const QStringList stoppedEnd = two + QStringList{"全部有效页面数：2", "分析已停止。"};
        // The user's click is handled at the yield after the second file.
        QTest::newRow("during the second of five") << 1 << 2 << stoppedEnd << "百度搜索总有效页面数：2（未完成）";
        QTest::newRow("several jobs") << 2 << 2 << stoppedEnd << "百度搜索总有效页面数：2（未完成）";
        // Pressed while the last file was read: every file was read whole.
        QTest::newRow("after the last file") << 2 << 5 << QStringList{"全部有效页面数：5", "分析完成。"}
                                             << "百度搜索总有效页面数：5";
    }
    void stop()
    {
        QFETCH(int, jobs);
        QFETCH(int, stopAtYield);
        QFETCH(QStringList, end);
        QFETCH(QString, totalEntry);
        QTemporaryDir dir;
        for (int i = 1; i <= 5; ++i)
            WriteFile(dir.filePath(QStringLiteral("ex%1.log").arg(i)),
                      LogHeader() + LogLine("/p" + QByteArray::number(i), kBaidu));
        const Run run = runOver(dir.path(), logNames(dir.path()), jobs, [&](int yield, StopFlag &stop) {
            if (yield == stopAtYield)
                stop.request();
        });
        QCOMPARE(run.lines.mid(run.lines.size() - end.size()), end);
        QCOMPARE(run.summary.stopped, totalEntry.endsWith(QStringLiteral("（未完成）")));
        QCOMPARE(run.summary.totalEntry, totalEntry);
    }

    void unreadableFilesAreReportedAndTheRunGoesOn()
    {
        QTemporaryDir dir;
        WriteFile(dir.filePath("a.log"), LogHeader() + LogLine("/a", kBaidu));
        QVERIFY(QFile::link(dir.filePath("nowhere"), dir.filePath("b.log")));
        QVERIFY(QDir(dir.path()).mkdir("c.log"));
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("d.log")).constData(), 0600), 0);
        WriteFile(dir.filePath("z.log"), LogHeader() + LogLine("/z", kBaidu));
        // As if they vanished or changed between listing and reading.
        const QStringList names = {"a.log", "b.log", "c.log", "d.log", "gone.log", "z.log"};
        const Run run = runOver(dir.path(), names);
        QCOMPARE(run.lines, (QStringList{"百度对您的网站搜索情况分析结果：", "a.log - 搜索页面数：1 - 有效页面数：1",
                                         "b.log - 无法读取：文件不存在", "c.log - 无法读取：不是普通文件",
                                         "d.log - 无法读取：不是普通文件", "gone.log - 无法读取：文件不存在",
                                         "z.log - 搜索页面数：1 - 有效页面数：1", "全部有效页面数：2", "分析完成。"}));
        QVERIFY(run.summary.anyFailed());
    }

    void badContentNeverStopsTheRun()
    {
        QTemporaryDir dir;
        QByteArray binary(64 * 1024, '\0');
        QRandomGenerator random(7);
        for (char &c : binary)
            c = char(random.bounded(256));
        WriteFile(dir.filePath("binary.log"), binary);
        WriteFile(dir.filePath("empty.log"), QByteArray());
        WriteFile(dir.filePath("directives.log"), "#Software: IIS\r\n#Version: 1.0\r\n");
        WriteFile(dir.filePath("huge.log"), LogHeader() + LogLine("/ok", kBaidu) + QByteArray(100 << 20, 'x') + "Baiduspider");
        const Run run = runOver(dir.path());
        QCOMPARE(run.lines, (QStringList{"百度对您的网站搜索情况分析结果：", "binary.log - 已跳过：不是可识别的日志格式",
                                         "directives.log - 搜索页面数：0 - 有效页面数：0",
                                         "directives.log - 没有 cs-uri-stem 列", "empty.log - 搜索页面数：0 - 有效页面数：0",
                                         "huge.log - 搜索页面数：1 - 有效页面数：1",
                                         "huge.log - 跳过超长的行：1（每行上限 16 MiB）", "全部有效页面数：1",
                                         "分析完成。"}));
    }

    void severalJobsReportAsOne()
    {
        QTemporaryDir dir;
        QRandomGenerator random(1025);
        for (int f = 0; f < 12; ++f) {
            QByteArray log = LogHeader();
            for (int i = 0; i < 200; ++i)
                log += LogLine("/P" + QByteArray::number(random.bounded(50)) + (random.bounded(2) ? ".htm" : ".HTM"),
                               random.bounded(3) ? kBaidu : QByteArray("Mozilla"));
            WriteFile(dir.filePath(QStringLiteral("ex%1.log").arg(f, 2, 10, QLatin1Char('0'))), log);
        }
        const Run one = runOver(dir.path(), 1);
        const Run four = runOver(dir.path(), 4);
        QCOMPARE(four.lines, one.lines);
        QCOMPARE(four.pages.pages(), one.pages.pages());
        QCOMPARE(four.progress, one.progress);
    }

    void tenThousandSmallLogs()
    {
        QTemporaryDir dir;
        for (int i = 0; i < 10000; ++i)
            WriteFile(dir.filePath(QStringLiteral("ex%1.log").arg(i, 5, 10, QLatin1Char('0'))),
                      LogHeader() + LogLine("/p" + QByteArray::number(i % 100), kBaidu));
        const Run run = runOver(dir.path(), 2);
        QCOMPARE(run.lines.size(), 10003);
        QCOMPARE(run.lines.at(10001), QStringLiteral("全部有效页面数：100"));
    }

    void twoRunsStartAfresh()
    {
        QTemporaryDir dir;
        WriteFile(dir.filePath("a.log"), LogHeader() + LogLine("/a", kBaidu));
        CrawlRunRequest request;
        request.inputs = {{dir.filePath("a.log"), "a.log", {}}};
        request.token = QStringLiteral("BaiDuSpider");
        request.spiderName = QStringLiteral("百度");
        RecordingRunOutput output;
        PageSet pages;
        StopFlag stop;
        stop.request();  // left over from an earlier stopped run
        RunCrawlAnalysis(request, pages, output, stop);
        const CrawlRunSummary second = RunCrawlAnalysis(request, pages, output, stop);
        QCOMPARE(output.lines().count(QStringLiteral("a.log - 搜索页面数：1 - 有效页面数：1")), 2);
        QCOMPARE(second.validPages, 1);
        QCOMPARE(pages.pages(), (QStringList{"", "/a"}));
    }
};

QTEST_APPLESS_MAIN(TestCrawlRun)
#include "test_crawl_run.moc"
