#include "common/cp936.h"
#include "common/text_rules.h"
#include "common/utf8.h"
#include "logs/log_text.h"

#include <QTest>

class TestTextCodecs : public QObject
{
    Q_OBJECT

private slots:
    void cp936RoundTrip()
    {
        const QString text = QStringLiteral("百度 Spider 万");
        bool lossless = false;
        const QByteArray bytes = Cp936::encode(text, &lossless);
        QVERIFY(lossless);
        QCOMPARE(bytes, QByteArray("\xB0\xD9\xB6\xC8 Spider \xCD\xF2"));
        QCOMPARE(Cp936::decode(bytes), text);
    }

    void byteLength_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("bytes");
        QTest::newRow("digits") << QStringLiteral("1234") << qsizetype(4);
        QTest::newRow("with 万") << QStringLiteral("12万3456") << qsizetype(8);
        QTest::newRow("emoji counts one") << QStringLiteral("a\U0001F600") << qsizetype(2);
        QTest::newRow("U+FEFF counts one") << QStringLiteral("万\uFEFF") << qsizetype(3);
        QTest::newRow("empty") << QString() << qsizetype(0);
    }
    void byteLength()
    {
        QFETCH(QString, text);
        QFETCH(qsizetype, bytes);
        QCOMPARE(Cp936::byteLength(text), bytes);
    }

    void unmappableIsReported()
    {
        bool lossless = true;
        QCOMPARE(Cp936::encode(QStringLiteral("a\U0001F600b"), &lossless), QByteArray("a?b"));
        QVERIFY(!lossless);
        Cp936::encode(u"b.c\uFEFFom", &lossless);  // found by the fuzzer: ICU drops U+FEFF silently
        QVERIFY(!lossless);
    }

    void utf8Validity_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        QTest::newRow("ascii") << QByteArray("/a.htm") << true;
        QTest::newRow("chinese") << QByteArray("/\xE6\x96\xB0\xE9\x97\xBB") << true;
        QTest::newRow("four bytes") << QByteArray("\xF0\x9F\x98\x80") << true;
        QTest::newRow("gbk") << QByteArray("\xB0\xD9\xB6\xC8") << false;
        QTest::newRow("overlong") << QByteArray("\xC0\xAF") << false;
        QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << false;
        QTest::newRow("beyond U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << false;
        QTest::newRow("cut short") << QByteArray("\xE6\x96") << false;
        QTest::newRow("nul is valid") << QByteArray("a\0b", 3) << true;
    }
    void utf8Validity()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        QCOMPARE(Utf8::isValid(bytes), valid);
    }

    void lineEncodingChoosesUtf8OnlyWhenValid()
    {
        QCOMPARE(DecodeLogLine("/\xE6\x96\xB0"), QStringLiteral("/新"));
        QCOMPARE(DecodeLogLine("/\xD0\xC2"), QStringLiteral("/新"));  // the same character in code page 936
        QCOMPARE(DetectLineEncoding("abc"), TextEncoding::Ascii);
    }

    // The byte scanner relies on these facts of code page 936: no byte pair
    // decodes to an ASCII character, and a space is never part of a pair, so
    // a line cut at spaces decodes piece by piece as it does whole.
    void cp936KeepsAsciiAndSpacesApart()
    {
        for (int lead = 0x80; lead <= 0xFF; ++lead) {
            for (int trail = 0; trail <= 0xFF; ++trail) {
                const char pair[2] = {char(lead), char(trail)};
                for (QChar c : Cp936::decode(QByteArrayView(pair, 2)))
                    QVERIFY(c.unicode() >= 0x80 || c.unicode() == trail);
                const char spaced[3] = {char(lead), char(trail), ' '};
                QCOMPARE(Cp936::decode(QByteArrayView(spaced, 3)),
                         Cp936::decode(QByteArrayView(pair, 2)) + u' ');
            }
            const char alone[2] = {char(lead), ' '};
            QCOMPARE(Cp936::decode(QByteArrayView(alone, 2)), Cp936::decode(QByteArrayView(alone, 1)) + u' ');
        }
    }

    void trimRemovesSpacesOnly()
    {
        QCOMPARE(TrimSpaces(u"  a b  "), QStringLiteral("a b"));
        QCOMPARE(TrimSpaces(u"\ta\t "), QStringLiteral("\ta\t"));
        QCOMPARE(TrimSpaces(u"   "), QString());
    }
};

QTEST_APPLESS_MAIN(TestTextCodecs)
#include "test_text_codecs.moc"
