#include "indexing/browser/browser_form_driver.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QTimer>
#include <QWebEngineCertificateError>
#include <QWebEnginePage>
#include <QWebEngineProfile>

#include <memory>

namespace {

constexpr int kPollMs = 50;    // longest pass of a wait without a page event
constexpr int kReadMs = 2000;  // reading the page out once the wait is over
constexpr int kStartMs = 30000;  // the browser's own start, before any service's time

// A page that never asks the user anything.
class SilentPage final : public QWebEnginePage
{
public:
    explicit SilentPage(QWebEngineProfile *profile) : QWebEnginePage(profile)
    {
        connect(this, &QWebEnginePage::certificateError, this,
                [](QWebEngineCertificateError error) { error.rejectCertificate(); });
        connect(this, &QWebEnginePage::featurePermissionRequested, this,
                [this](const QUrl &origin, Feature feature) {
                    setFeaturePermission(origin, feature, PermissionDeniedByUser);
                });
    }

protected:
    void javaScriptAlert(const QUrl &, const QString &) override {}
    bool javaScriptConfirm(const QUrl &, const QString &) override { return false; }
    bool javaScriptPrompt(const QUrl &, const QString &, const QString &, QString *) override { return false; }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int, const QString &) override {}
};

}  // namespace

QString JavaScriptString(const QString &text)
{
    // A JSON array of one string is valid JavaScript; take the string out.
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

BrowserFormDriver::BrowserFormDriver(int waitMs, QObject *parent) : QObject(parent), waitMs_(waitMs) {}

BrowserFormDriver::~BrowserFormDriver()
{
    page_.reset();  // before its profile
}

void BrowserFormDriver::ensurePage()
{
    if (page_)
        return;
    profile_ = std::make_unique<QWebEngineProfile>();  // off the record: nothing on disk
    page_ = std::make_unique<SilentPage>(profile_.get());
    connect(page_.get(), &QWebEnginePage::loadStarted, this, [this] { navigationStarted_ = true; });
    connect(page_.get(), &QWebEnginePage::loadFinished, this, [this] {
        // Only the top-level document reports here; frames do not.
        if (navigationStarted_)
            pageLoading_ = false;
    });
    // The browser's own start (its helper process, the first page) is no
    // part of a service's time: a cold start on a busy machine can take
    // seconds, and would otherwise show as the first site's failure.
    pageLoading_ = true;
    navigate(QUrl(QStringLiteral("about:blank")));
    waitUntil([this] { return !pageLoading_; }, QDeadlineTimer(kStartMs));
}

void BrowserFormDriver::navigate(const QUrl &url)
{
    navigationStarted_ = false;
    page_->load(url);
}

bool BrowserFormDriver::waitUntil(const std::function<bool()> &done, const QDeadlineTimer &deadline)
{
    QEventLoop loop;
    QTimer poll;  // page events wake the loop at once; the timer bounds a pass
    poll.setInterval(kPollMs);
    connect(&poll, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(page_.get(), &QWebEnginePage::loadProgress, &loop, &QEventLoop::quit);
    connect(page_.get(), &QWebEnginePage::loadFinished, &loop, &QEventLoop::quit);
    poll.start();
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return true;
}

QVariant BrowserFormDriver::evaluate(const QString &script, const QDeadlineTimer &deadline)
{
    // The answer may come after the deadline, so it goes to shared state;
    // while we wait, it ends the wait.
    struct Answer
    {
        bool given = false;
        QVariant value;
        QPointer<QEventLoop> waiting;
    };
    const auto answer = std::make_shared<Answer>();
    QEventLoop loop;
    answer->waiting = &loop;
    page_->runJavaScript(script, [answer](const QVariant &value) {
        answer->value = value;
        answer->given = true;
        if (answer->waiting)
            answer->waiting->quit();
    });
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(int(qMax<qint64>(0, deadline.remainingTime())));
    if (!answer->given)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    answer->waiting = nullptr;
    return answer->given ? answer->value : QVariant();
}

QString BrowserFormDriver::search(const SearchForm &form, const QUrl &base, const QString &address,
                                  const std::function<bool(const QString &html)> &countFound)
{
    ensurePage();
    failure_.clear();
    const QDeadlineTimer deadline(waitMs_);  // for the whole search
    const QString seconds = QString::number(waitMs_ / 1000.0);
    pageLoading_ = true;
    QString root = base.toString(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment);
    navigate(QUrl(root + form.homePath));

    const QString bothFound = QStringLiteral("!!(%1) && !!(%2)").arg(form.fieldScript, form.buttonScript);
    const QString outerHtml = QStringLiteral("document.documentElement.outerHTML");
    if (!waitUntil([&] { return evaluate(bothFound, deadline).toBool(); }, deadline)) {
        failure_ = QStringLiteral("%1 秒内搜索页面上没有出现搜索框").arg(seconds);
    } else {
        evaluate(QStringLiteral("(%1).value = %2;").arg(form.fieldScript, JavaScriptString(QStringLiteral("site:") + address)),
                 deadline);
        pageLoading_ = true;
        navigationStarted_ = false;
        evaluate(QStringLiteral("(%1).click(); true;").arg(form.buttonScript), deadline);
        // Done when the result page has loaded, or holds the number already
        // while the rest of it (pictures, advertisements) is still coming.
        const auto resultReady = [&] {
            return !pageLoading_
                || (countFound && navigationStarted_ && countFound(evaluate(outerHtml, deadline).toString()));
        };
        if (!waitUntil(resultReady, deadline))
            failure_ = QStringLiteral("结果页面 %1 秒内没有载入完成").arg(seconds);
    }
    const QString html = evaluate(outerHtml, QDeadlineTimer(kReadMs)).toString();
    navigate(QUrl(QStringLiteral("about:blank")));
    return html;
}
