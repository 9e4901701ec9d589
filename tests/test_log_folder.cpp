#include "common/folder_check.h"
#include "logs/log_folder.h"
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
        QCOMPARE(ListLogFiles(dir.path()), (QStringList{"A.LOG", "a.log", "b.log", "c.Log", "link.log"}));
    }

    void missingFolderListsNothing()
    {
        QCOMPARE(ListLogFiles(QString()), QStringList());
        QCOMPARE(ListLogFiles(QStringLiteral("/no/such/folder")), QStringList());
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
