#include "support/gui_helpers.h"
#include "ui_common/balloon_tooltip.h"
#include "ui_common/list_view_columns.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QScreen>
#include <QTreeWidget>

class TestBalloonTooltip : public QObject
{
    Q_OBJECT

private slots:
    void createRules_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("icon");
        QTest::addColumn<bool>("created");
        QTest::addColumn<int>("styleRead");
        QTest::newRow("balloon, information") << 65 << 1 << true << 65;
        QTest::newRow("plain") << 0 << 0 << true << 0;
        QTest::newRow("always tip") << 1 << 3 << true << 1;
        QTest::newRow("balloon") << 64 << 2 << true << 64;
        QTest::newRow("close bit kept in the property") << 0xC1 << 1 << true << 0xC1;
        QTest::newRow("style 2") << 2 << 1 << false << -1;
        QTest::newRow("icon 4") << 65 << 4 << false << -1;
        QTest::newRow("icon -1") << 65 << -1 << false << -1;
    }
    void createRules()
    {
        QFETCH(int, style);
        QFETCH(int, icon);
        QFETCH(bool, created);
        QFETCH(int, styleRead);
        QCheckBox box(QStringLiteral("Sogou Rank(搜狗网页评级)"));
        cToolTip tip;
        QCOMPARE(tip.Style(), -1);
        const quintptr window = tip.Create(&box, QStringLiteral("a|b"), style, false, icon, QStringLiteral("t"), 255,
                                           0xC0FFC0, -1, 30000);
        QCOMPARE(window != 0, created);
        QCOMPARE(tip.Style(), styleRead);
        QCOMPARE(tip.balloon() != nullptr, created);
        QCOMPARE(tip.Text(), created ? QStringLiteral("a\r\nb") : QString());
    }

    void coloursAndDelays()
    {
        QWidget parent;
        cToolTip tip;
        tip.Create(&parent, QStringLiteral("x"), 65, true, 1, QStringLiteral("t"), 255, 0xC0FFC0, 10, 30000);
        QCOMPARE(tip.ForeCol(), 255);
        QCOMPARE(tip.BackCol(), 0xC0FFC0);
        QCOMPARE(tip.HoverTime(), 50);
        QCOMPARE(tip.PopupTime(), 30000);
        QVERIFY(tip.Centered());
        QCOMPARE(ColourFromBgr(255), QColor(255, 0, 0));
        const qint32 window = qint32(0x80000005u);
        tip.Create(&parent, QStringLiteral("x"), 65, false, 1, QStringLiteral("t"), window, window, -1, -1);
        QCOMPARE(tip.ForeCol(), BgrFromColour(QApplication::palette().color(QPalette::ButtonText)));
        QCOMPARE(tip.BackCol(), BgrFromColour(QApplication::palette().color(QPalette::ToolTipBase)));
        QCOMPARE(tip.HoverTime(), -1);
    }

    void initialValuesStayFromTheFirstCreate()
    {
        QWidget parent;
        cToolTip tip;
        tip.Create(&parent, QStringLiteral("first"), 65, false, 1, QStringLiteral("one"), 255, 0, -1, -1);
        tip.Create(&parent, QStringLiteral("second"), 2, false, 1, QStringLiteral("two"), 255, 0, -1, -1);  // refused
        QCOMPARE(tip.Style(), -1);
        tip.Create(&parent, QStringLiteral("third"), 1, false, 0, QStringLiteral("three"), 255, 0, -1, -1);
        QCOMPARE(tip.Text(), QStringLiteral("third"));
        QCOMPARE(tip.Title(), QStringLiteral("three"));
        QCOMPARE(tip.InitialText(), QStringLiteral("first"));
        QCOMPARE(tip.InitialTitle(), QStringLiteral("one"));
    }

    void substituteFont()
    {
        cToolTip tip;
        QCOMPARE(tip.SubstituteFont(QStringLiteral("Tahoma"), 12, true, false), 0);  // before any Create
        QCOMPARE(tip.FontName(), QString());
        QWidget parent;
        tip.Create(&parent, QStringLiteral("x"), 65, false, 1, QStringLiteral("t"), 255, 0, -1, -1);
        QCOMPARE(tip.FontName(), QStringLiteral("Tahoma"));
        QCOMPARE(tip.FontSize(), 9);
        QVERIFY(tip.SubstituteFont(QStringLiteral("  SimSun  "), 4, true, true) != 0);
        QCOMPARE(tip.FontSize(), 8);
        QCOMPARE(tip.FontName(), QStringLiteral("SimSun"));
        QVERIFY(tip.FontBold() && tip.FontItalic());
        tip.SubstituteFont(QStringLiteral("SimSun"), 72, false, false);
        QCOMPARE(tip.FontSize(), 36);
    }

    void showsAfterTheHoverAndHidesAfterThePopupTime()
    {
        QWidget parent;
        parent.resize(200, 40);
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        cToolTip tip;
        tip.Create(&parent, QStringLiteral("line one|line two"), 65, false, 1, QStringLiteral("title"), 255, 0xC0FFC0,
                   0, 200);
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(&parent, &enter);
        QTRY_VERIFY(tip.balloon()->isVisible());
        QVERIFY(tip.balloon()->width() <= parent.screen()->geometry().width() / 3 + 1);
        QTRY_VERIFY(!tip.balloon()->isVisible());
    }

    void columnWidths()
    {
        QTreeWidget list;
        list.setHeaderLabels({QStringLiteral("网址"), QStringLiteral("a very long header text")});
        new QTreeWidgetItem(&list, {QStringLiteral("www.a-rather-long-address.com.cn"), QStringLiteral("x")});
        MListView::SetColumnWidth(&list, 1, 40);
        QCOMPARE(list.columnWidth(0), 40);
        MListView::SetColumnWidth(&list, 0, 70);  // outside 1…count: nothing
        MListView::SetColumnWidth(&list, 3, 70);
        QCOMPARE(list.columnWidth(0), 40);
        MListView::SetAllColumnWidths(&list, MListView::FitContents);
        const int contents = list.columnWidth(1);
        QVERIFY(list.columnWidth(0) > 100);
        MListView::SetAllColumnWidths(&list, MListView::FitContentsAndHeader);
        QVERIFY(list.columnWidth(1) > contents);  // the header text is wider than "x"
    }
};

QTEST_MAIN(TestBalloonTooltip)
#include "test_balloon_tooltip.moc"
