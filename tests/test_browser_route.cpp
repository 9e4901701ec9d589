#include "indexing/extraction.h"
#include "indexing/browser/browser_form_driver.h"
#include "support/fake_web_services.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

namespace {

qint64 cut(const char *routine, const QString &page)
{
    return FindBuiltinExtractor(QString::fromLatin1(routine))(page).value_or(0);
}

}  // namespace

class TestBrowserRoute : public QObject
{
    Q_OBJECT

private slots:
    void googleAndSogouForms()
    {
        FakeWebServices web;
        BrowserFormDriver browser(5000);
        QCOMPARE(cut("google", browser.search(GoogleSearchForm(), web.base(), QStringLiteral("a.cn"))),
                 FakeWebServices::kGoogle);
        QVERIFY(!browser.pageLoading());
        QCOMPARE(cut("sogou", browser.search(SogouSearchForm(), web.base(), QStringLiteral("b.cn/x y"))),
                 FakeWebServices::kSogou);
        QStringList seen;
        for (const FakeWebServices::Request &request : web.requests())
            if (request.path != QLatin1String("/favicon.ico"))
                seen.append(request.path + u'?' + request.query);
        QCOMPARE(seen, (QStringList{"/?", "/gsearch?q=site%3Aa.cn&btnG=Google", "/?", "/sogou?query=site%3Ab.cn%2Fx+y"}));
    }

    void aHomePageWithoutTheFormIsReturnedAfterTheWait()
    {
        FakeWebServices web;
        web.setHomeHasForms(false);
        BrowserFormDriver browser(1500);
        QElapsedTimer clock;
        clock.start();
        const QString html = browser.search(GoogleSearchForm(), web.base(), QStringLiteral("a.cn"));
        QVERIFY(clock.elapsed() >= 1400);
        QVERIFY(html.contains(QStringLiteral("home without a form")));
        QCOMPARE(cut("google", html), 0);
    }

    void aResultPageThatNeverCompletes()
    {
        FakeWebServices web;
        web.setResultsNeverAnswer(true);
        BrowserFormDriver browser(1500);
        const QString html = browser.search(SogouSearchForm(), web.base(), QStringLiteral("a.cn"));
        QVERIFY(browser.pageLoading());  // no completion came
        QVERIFY(html.contains(QStringLiteral("home")));
        QCOMPARE(cut("sogou", html), 0);
    }

    void quotingForTheScript()
    {
        QCOMPARE(JavaScriptString(QStringLiteral("site:a'b\"c\\d")), QStringLiteral("\"site:a'b\\\"c\\\\d\""));
    }
};

QTEST_MAIN(TestBrowserRoute)
#include "test_browser_route.moc"
