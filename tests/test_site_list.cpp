#include "common/cp936.h"
#include "indexing/site_file.h"
#include "support/crawl_fixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

SiteList listOf(const QList<SiteEntry> &entries)
{
    SiteList list;
    for (const SiteEntry &entry : entries)
        list.append(entry);
    return list;
}

QStringList urls(const SiteList &list)
{
    QStringList result;
    for (const SiteEntry &entry : list.entries())
        result.append(entry.Url);
    return result;
}

QByteArray gbk(const char *utf8) { return Cp936::encode(QString::fromUtf8(utf8)); }

}  // namespace

class TestSiteList : public QObject
{
    Q_OBJECT

private slots:
    void load_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("expected");  // Url|Name|checked per entry
        QTest::newRow("as written") << gbk("\r\nwww.a.com|甲|True\r\nwww.b.com||False")
                                    << QStringList{"www.a.com|甲|1", "www.b.com||0"};
        QTest::newRow("zero bytes") << QByteArray() << QStringList{};
        QTest::newRow("no empty first line, CR LF at the end")
            << QByteArray("a.com|A|True\r\nb.com|B|False\r\n") << QStringList{"a.com|A|1", "b.com|B|0"};
        QTest::newRow("four or two fields, empty address")
            << QByteArray("\r\na|b|True|x\r\nc|True\r\n   |n|True\r\nd.com|D|True")
            << QStringList{"d.com|D|1"};
        QTest::newRow("spaces around the fields")
            << QByteArray("\r\n  a.com  |  A  |False") << QStringList{"a.com|A|0"};
        QTest::newRow("same address in other case: the first wins")
            << QByteArray("\r\nA.com|first|False\r\na.COM|second|True") << QStringList{"A.com|first|0"};
        QTest::newRow("third field")
            << QByteArray("\r\na|x|true\r\nb|x|0\r\nc|x|2\r\nd|x|yes\r\ne|x| False\r\nf|x|0.0")
            << QStringList{"a|x|1", "b|x|0", "c|x|1", "d|x|1", "e|x|1", "f|x|0"};
        QTest::newRow("LF alone does not end a line") << QByteArray("\r\na|x|True\nb|y|True")
                                                      << QStringList{};
        QTest::newRow("UTF-8 with its mark") << QByteArray("\xEF\xBB\xBF\r\na.com|\xF0\x9F\x98\x80|True")
                                             << QStringList{QStringLiteral("a.com|\U0001F600|1")};
    }
    void load()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, expected);
        QStringList actual;
        const SiteList list = ParseSiteFile(file);
        for (const SiteEntry &entry : list.entries())
            actual.append(entry.Url + u'|' + entry.Name + u'|' + (entry.Checked ? u'1' : u'0'));
        QCOMPARE(actual, expected);
    }

    void saveWritesTheFileFormat()
    {
        const SiteList list = listOf({{"www.a.com", "甲", true}, {"www.b.com", "", false}});
        QCOMPARE(SerializeSiteFile(list), gbk("\r\nwww.a.com|甲|True\r\nwww.b.com||False"));
        QCOMPARE(SerializeSiteFile(SiteList()), QByteArray());
        const QByteArray emoji = SerializeSiteFile(listOf({{"a.com", QStringLiteral("笑\U0001F600"), true}}));
        QVERIFY(emoji.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(ParseSiteFile(emoji).at(0).Name, QStringLiteral("笑\U0001F600"));
        const SiteList marked = listOf({{"b.com", "", true}, {QStringLiteral("b.c\uFEFFom"), "", true}});
        QCOMPARE(ParseSiteFile(SerializeSiteFile(marked)).size(), 2);
        // Code page 936 bytes that would read back as UTF-8 get the mark.
        const QByteArray ambiguous = SerializeSiteFile(listOf({{"a.com", QStringLiteral("茅"), true}}));
        QVERIFY(ambiguous.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(ParseSiteFile(ambiguous).at(0).Name, QStringLiteral("茅"));
    }

    // A file is read in its own encoding and written back in it.
    void fileEncodings_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("name");  // of the one entry
        QTest::addColumn<int>("encoding");
        const QByteArray utf8 = QStringLiteral("\r\na.com|中文|True").toUtf8();
        QTest::newRow("code page 936") << gbk("\r\na.com|中文|True") << "中文" << int(SiteFileEncoding::Cp936);
        QTest::newRow("ASCII") << QByteArray("\r\na.com|A|True") << "A" << int(SiteFileEncoding::Cp936);
        QTest::newRow("UTF-8 without a mark") << utf8 << "中文" << int(SiteFileEncoding::Utf8);
        QTest::newRow("UTF-8 with a mark") << "\xEF\xBB\xBF" + utf8 << "中文" << int(SiteFileEncoding::Utf8WithMark);
        // Two GBK characters whose bytes happen to be valid UTF-8 are rare;
        // a broken UTF-8 sequence means code page 936.
        QTest::newRow("invalid UTF-8") << QByteArray("\r\na.com|\xC4\xE3|True") << "你" << int(SiteFileEncoding::Cp936);
    }
    void fileEncodings()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, name);
        QFETCH(int, encoding);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("lv.txt"));
        WriteFile(path, file);
        SiteFileEncoding found = SiteFileEncoding::Cp936;
        const SiteList list = LoadSiteFile(path, &found);
        QCOMPARE(int(found), encoding);
        QCOMPARE(list.at(0).Name, name);
        QVERIFY(SaveSiteFile(list, path, found).ok);
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), file);
    }

    void roundTripThroughTheFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("lv.txt"));
        const SiteList list = listOf({{"b.com", "乙", true}, {"A.com", "", false}, {"c.cn/x?y=1", "丙", true}});
        QVERIFY(SaveSiteFile(list, path).ok);
        const SiteList loaded = LoadSiteFile(path);
        QCOMPARE(SerializeSiteFile(loaded), SerializeSiteFile(list));
        QVERIFY(SaveSiteFile(SiteList(), path).ok);
        QCOMPARE(QFileInfo(path).size(), 0);
        QCOMPARE(LoadSiteFile(path).size(), 0);
        QCOMPARE(LoadSiteFile(dir.filePath(QStringLiteral("missing.txt"))).size(), 0);
    }

    void failedSaveSaysWhyAndTouchesNothing()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("lv.txt"));
        WriteFile(path, gbk("\r\nold.com|旧|True"));
        // A folder in the way of the temporary file makes the save fail.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("blocked")));
        const SiteFileSave save = SaveSiteFile(listOf({{"new.com", "", true}}), dir.filePath("blocked"));
        QVERIFY(!save.ok);
        QVERIFY(save.errorText.contains(QStringLiteral("blocked")));
        const SiteList kept = LoadSiteFile(path);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(kept.at(0).Url, QStringLiteral("old.com"));
    }

    void addAndModify()
    {
        SiteList list = listOf({{"a.com", "A", true}, {"b.com", "B", true}, {"c.com", "C", true}});
        QCOMPARE(list.add(QStringLiteral("   "), QStringLiteral("x")), SiteEditResult::EmptyAddress);
        QCOMPARE(list.add(QStringLiteral(" | "), QStringLiteral("x")), SiteEditResult::EmptyAddress);
        QCOMPARE(list.add(QStringLiteral("  d.|com "), QStringLiteral(" 丁|名 ")), SiteEditResult::Added);
        QCOMPARE(list.at(3).Url, QStringLiteral("d.com"));
        QCOMPARE(list.at(3).Name, QStringLiteral("丁名"));
        QVERIFY(!list.at(3).Checked);
        QCOMPARE(list.add(QStringLiteral("B.COM"), QString()), SiteEditResult::KeyClash);
        QCOMPARE(list.size(), 4);
        // Modifying the second entry keeps its place and clears its check mark.
        QCOMPARE(list.modify(QStringLiteral("b.com"), QStringLiteral("B2.com"), QStringLiteral("乙")),
                 SiteEditResult::Replaced);
        QCOMPARE(urls(list), (QStringList{"a.com", "B2.com", "c.com", "d.com"}));
        QVERIFY(!list.at(1).Checked);
        // Its own address in other letter case is no clash; another's is.
        QCOMPARE(list.modify(QStringLiteral("b2.com"), QStringLiteral("b2.COM"), QString()), SiteEditResult::Replaced);
        QCOMPARE(list.modify(QStringLiteral("b2.com"), QStringLiteral("A.com"), QString()), SiteEditResult::KeyClash);
        QCOMPARE(urls(list), (QStringList{"a.com", "b2.COM", "c.com", "d.com"}));
    }

    void modifyFollowsTheClickedEntryThroughASort()
    {
        SiteList list = listOf({{"a.com", "", false}, {"b.com", "", false}, {"c.com", "", false}});
        const QString clicked = list.at(0).key();
        list.sortByHeader(0);  // descending: c, b, a
        QCOMPARE(list.modify(clicked, QStringLiteral("z.com"), QString()), SiteEditResult::Replaced);
        QCOMPARE(urls(list), (QStringList{"z.com", "c.com", "b.com"}));  // sorting stays on
    }

    void sortByHeaderClicks()
    {
        SiteList list = listOf({{"b.com", "上海", false}, {"c.com", "北京", false}, {"a.com", "广州", false}});
        list.sortByHeader(0);
        QCOMPARE(urls(list), (QStringList{"c.com", "b.com", "a.com"}));
        list.sortByHeader(0);
        QCOMPARE(urls(list), (QStringList{"a.com", "b.com", "c.com"}));
        list.sortByHeader(1);  // by name, the order stays ascending: pinyin bei, guang, shang
        QCOMPARE(urls(list), (QStringList{"c.com", "a.com", "b.com"}));
        QVERIFY(list.sort().on);
        QVERIFY(!list.sort().descending);
    }

    void checkAllAndDelete()
    {
        SiteList list = listOf({{"a.com", "", false}, {"b.com", "", true}});
        list.setAllChecked(true);
        QVERIFY(list.at(0).Checked && list.at(1).Checked);
        list.setAllChecked(false);
        QVERIFY(!list.at(0).Checked && !list.at(1).Checked);
        list.remove(-1);
        list.remove(5);
        QCOMPARE(list.size(), 2);
        list.remove(0);
        QCOMPARE(urls(list), QStringList{"b.com"});
    }
};

QTEST_GUILESS_MAIN(TestSiteList)
#include "test_site_list.moc"
