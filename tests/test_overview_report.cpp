#include "overview/overview_html.h"
#include "overview/overview_run.h"
#include "support/gui_helpers.h"

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

namespace {

// Every address the page asks the browser engine for.
class RequestSpy final : public QWebEngineUrlRequestInterceptor
{
public:
    void interceptRequest(QWebEngineUrlRequestInfo &info) override { requested.append(info.requestUrl()); }
    QList<QUrl> requested;
};

// Two weeks of an nginx log: a handful of crawlers with their own rhythm,
// visitors, scripts, and every status class.
void WriteSampleLog(const QString &path)
{
    const char *const agents[] = {
        "Mozilla/5.0 (compatible; Baiduspider/2.0; +http://www.baidu.com/search/spider.html)",
        "Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)",
        "Mozilla/5.0 (compatible; bingbot/2.0; +http://www.bing.com/bingbot.htm)",
        "Mozilla/5.0 (compatible; Bytespider; spider-feedback@bytedance.com)",
        "Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; GPTBot/1.2; +https://openai.com/gptbot)",
        "Mozilla/5.0 (compatible; AhrefsBot/7.0; +http://ahrefs.com/robot/)",
        "Sogou web spider/4.0(+http://www.sogou.com/docs/help/webmasters.htm#07)",
        "curl/8.4.0",
        "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 Chrome/120.0 Safari/537.36",
    };
    const int statuses[] = {200, 200, 200, 200, 301, 304, 404, 404, 500, 200};
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    for (int day = 0; day < 14; ++day)
        for (int i = 0; i < 400; ++i) {
            const int agent = (i * 7 + day * (i % 3)) % 9 == 8 ? 8 : (i % (9 + day % 4)) % 9;
            const QDate date = QDate(2026, 11, 1).addDays(day);
            file.write(QStringLiteral("10.%1.%2.%3 - - [%4:%5:%6:%7 +0800] \"GET /%8/%9.html HTTP/1.1\" %10 %11 \"-\" \"%12\"\n")
                           .arg(agent).arg(i % 50).arg(i % 7)
                           .arg(QLocale(QLocale::English).toString(date, QStringLiteral("dd/MMM/yyyy")))
                           .arg(i % 24, 2, 10, QLatin1Char('0')).arg(i % 60, 2, 10, QLatin1Char('0'))
                           .arg(i * 7 % 60, 2, 10, QLatin1Char('0'))
                           .arg(i % 3 ? QStringLiteral("news") : QStringLiteral("products")).arg(i * 13 % 97)
                           .arg(statuses[(i + day) % 10]).arg(1000 + i * 37 % 9000)
                           .arg(QLatin1String(agents[agent]))
                           .toUtf8());
        }
}

}  // namespace

class TestOverviewReport : public QObject
{
    Q_OBJECT

private slots:
    void reportLoadsOfflineInABrowser()
    {
        QTemporaryDir folder;
        WriteSampleLog(folder.filePath(QStringLiteral("access.log")));
        OverviewRequest request;
        request.paths = {folder.path()};
        OverviewResult result = RunOverview(request, BuiltInAgentCatalogue());
        result.sources = {QStringLiteral("/var/log/nginx")};  // the heading names a folder as a reader's would be
        QCOMPARE(result.records, 14 * 400);
        const QString report = folder.filePath(QStringLiteral("report.html"));
        QCOMPARE(WriteOverviewHtml(result, report), QString());

        RequestSpy spy;
        QWebEngineView view;
        view.page()->profile()->setUrlRequestInterceptor(&spy);
        view.resize(1400, 1480);
        QSignalSpy loaded(view.page(), &QWebEnginePage::loadFinished);
        view.load(QUrl::fromLocalFile(report));
        QVERIFY(loaded.wait(30000));
        QVERIFY(loaded.front().front().toBool());

        QVariant answer;
        bool answered = false;
        view.page()->runJavaScript(
            QStringLiteral("[document.querySelectorAll('svg').length, document.querySelectorAll('polyline').length,"
                           " document.querySelectorAll('[src],[href]').length,"
                           " performance.getEntriesByType('resource').length].join(',')"),
            [&](const QVariant &value) {
                answer = value;
                answered = true;
            });
        QTRY_VERIFY_WITH_TIMEOUT(answered, 10000);
        // three charts (days, hours, statuses), a line per busiest crawler in two of them, nothing fetched
        QCOMPARE(answer.toString(), QStringLiteral("3,10,0,0"));
        for (const QUrl &url : spy.requested)
            QCOMPARE(url, QUrl::fromLocalFile(report));

        if (!qEnvironmentVariableIsEmpty("TRAWLEX_SCREENSHOTS")) {
            view.show();  // the page paints a while after it is shown
            const auto painted = [&view] {
                QImage page = view.grab().toImage();
                QImage blank(page.size(), page.format());
                blank.fill(Qt::white);
                return page != blank;
            };
            QTRY_VERIFY_WITH_TIMEOUT(painted(), 15000);
        }
        SaveScreenshot(&view, "overview-report");
        view.page()->profile()->setUrlRequestInterceptor(nullptr);
    }
};

QTEST_MAIN(TestOverviewReport)
#include "test_overview_report.moc"
