#include "common/folder_check.h"
#include "logs/log_input.h"
#include "support/crawl_fixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class TestLogFolder : public QObject
{
    Q_OBJECT

private slots:
    void listsRegularLogFilesSorted()
    {
        QTemporaryDir dir;
        for (const char *name : {"b.log", "A.LOG", "a.log", "c.Log", "notes.txt", "x.log.bak"})
            WriteFile(dir.filePath(name), "x");
        QVERIFY(QFile::link(dir.filePath("b.log"), dir.filePath("link.log")));
        QVERIFY(QFile::link(dir.filePath("missing"), dir.filePath("dangling.log")));
        QVERIFY(QDir(dir.path()).mkdir("folder.log"));
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("fifo.log")).constData(), 0600), 0);
        QStringList names;
        for (const LogInput &input : CollectLogInputs({dir.path()}, false).inputs)
            names.append(input.displayPath + u'|' + input.skipReason);
        // A link without target shows, with the reason it is not read.
        QCOMPARE(names, (QStringList{"A.LOG|", "a.log|", "b.log|", "c.Log|", "dangling.log|链接目标不存在", "link.log|"}));
    }

    void logFileNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("isLog");
        for (const char *name : {"a.log", "A.LOG", "access.log.1", "access.log.12.gz", "access.log-20240101",
                                 "access.log-2024010112.xz", "site_log", "site_log.3.zst", "x.log.bz2",
                                 "site.log_2024-01-01_000000.log.gz", ".log"})
            QTest::newRow(name) << QString::fromLatin1(name) << true;
        for (const char *name : {"x.log.bak", "x.txt", "x.log.gz.gz", "access.log-2024", "x.log.1a", "x.gz",
                                 "_log", "x.log-202401011"})
            QTest::newRow(name) << QString::fromLatin1(name) << false;
    }
    void logFileNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, isLog);
        QCOMPARE(IsLogFileName(name), isLog);
    }

    void naturalOrder()
    {
        QStringList names = {"access.log.10", "iis10.log", "access.log", "Access.log.2", "access.log.1", "iis6.log",
                             "a.log.02", "a.log.2"};
        std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) { return NaturalNameLess(a, b); });
        QCOMPARE(names, (QStringList{"a.log.02", "a.log.2", "access.log", "access.log.1", "Access.log.2",
                                     "access.log.10", "iis6.log", "iis10.log"}));
    }

    void collectsInputs()
    {
        QTemporaryDir dir;
        for (const char *name : {"W3SVC10/u_ex2.log", "W3SVC2/u_ex10.log", "W3SVC2/u_ex9.log", "b.log.1",
                                 "b.log", "notes.txt", "loop/x.log"})
            WriteFile(dir.filePath(name), "x");
        QVERIFY(QFile::link(dir.filePath("missing"), dir.filePath("dangling.log")));
        QVERIFY(QFile::link(dir.path(), dir.filePath("loop/back")));
        WriteFile(dir.filePath("given.txt"), "x");

        const LogInputScan flat = CollectLogInputs({dir.path(), dir.filePath("given.txt"), "-", "/no/such"}, false);
        QStringList shown;
        for (const LogInput &input : flat.inputs)
            shown.append(input.displayPath + u'|' + input.skipReason);
        QCOMPARE(shown, (QStringList{"b.log|", "b.log.1|", "dangling.log|链接目标不存在",
                                     dir.filePath("given.txt") + u'|', "-|"}));
        QCOMPARE(flat.inputs.front().path, dir.filePath("b.log"));
        QCOMPARE(flat.problems, QStringList{"/no/such - 无法读取：文件不存在"});

        const LogInputScan deep = CollectLogInputs({dir.path()}, true);
        shown.clear();
        for (const LogInput &input : deep.inputs)
            shown.append(input.displayPath);
        QCOMPARE(shown, (QStringList{"b.log", "b.log.1", "dangling.log", "loop/x.log", "W3SVC2/u_ex9.log",
                                     "W3SVC2/u_ex10.log", "W3SVC10/u_ex2.log"}));
        QCOMPARE(deep.problems, QStringList{"loop/back - 已跳过：文件夹已读过（链接循环）"});
    }

    void folderWithoutLogsSaysWhereIisKeepsThem()
    {
        QTemporaryDir dir;
        WriteFile(dir.filePath("W3SVC1/u_ex1.log"), "x");
        const QString hint = QStringLiteral("没有找到日志文件；IIS 的日志在 W3SVC 子目录中，请勾选“包含子目录”（命令行 --recursive）");
        QCOMPARE(CollectLogInputs({dir.path()}, false).problems, QStringList{hint});
        QCOMPARE(CollectLogInputs({dir.path()}, true).problems, QStringList());
        QCOMPARE(CollectLogInputs({dir.filePath("W3SVC1/nothing")}, true).problems.size(), 1);  // no folder: no hint
    }

    void missingFolderListsNothing()
    {
        const LogInputScan scan = CollectLogInputs({QStringLiteral("/no/such/folder")}, false);
        QCOMPARE(scan.inputs.size(), 0);
        QCOMPARE(scan.problems, QStringList{"/no/such/folder - 无法读取：文件不存在"});
    }

    void folderCheck()
    {
        QTemporaryDir dir;
        WriteFile(dir.filePath("file.log"), "x");
        QVERIFY(CheckFolderExists(dir.path()));
        QVERIFY(CheckFolderExists(dir.path() + u'/'));
        QVERIFY(CheckFolderExists(QStringLiteral("/")));
        QVERIFY(!CheckFolderExists(QString()));
        QVERIFY(!CheckFolderExists(dir.filePath("file.log")));
        QVERIFY(!CheckFolderExists(dir.filePath("nothing")));
        QVERIFY(QDir(dir.path()).mkdir("sub"));
        const QString before = QDir::currentPath();
        QDir::setCurrent(dir.path());
        QVERIFY(CheckFolderExists(QStringLiteral("sub")));
        QDir::setCurrent(before);
    }
};

QTEST_APPLESS_MAIN(TestLogFolder)
#include "test_log_folder.moc"
