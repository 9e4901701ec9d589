#include "indexing/browser/browser_form_driver.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>
#include <QWebEngineCertificateError>
#include <QWebEnginePage>
#include <QWebEngineProfile>

#include <memory>

namespace {

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
    navigate(QUrl(QStringLiteral("about:blank")));
}

void BrowserFormDriver::navigate(const QUrl &url)
{
    navigationStarted_ = false;
    page_->load(url);
}

bool BrowserFormDriver::waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QEventLoop loop;
    QTimer poll;  // page events wake the loop too; the timer bounds the wait
    poll.setInterval(50);
    connect(&poll, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(page_.get(), &QWebEnginePage::loadFinished, &loop, &QEventLoop::quit);
    poll.start();
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return true;
}

QVariant BrowserFormDriver::evaluate(const QString &script, int timeoutMs)
{
    // The answer may come after the time-out, so it goes to shared state.
    struct Answer
    {
        bool given = false;
        QVariant value;
    };
    const auto answer = std::make_shared<Answer>();
    page_->runJavaScript(script, [answer](const QVariant &value) {
        answer->value = value;
        answer->given = true;
    });
    waitUntil([&answer] { return answer->given; }, timeoutMs);
    return answer->given ? answer->value : QVariant();
}

QString BrowserFormDriver::search(const SearchForm &form, const QUrl &base, const QString &address)
{
    ensurePage();
    pageLoading_ = true;
    QString root = base.toString(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment);
    navigate(QUrl(root + form.homePath));

    const QString bothFound = QStringLiteral("!!(%1) && !!(%2)").arg(form.fieldScript, form.buttonScript);
    const QDeadlineTimer formDeadline(waitMs_);
    const bool formFound = waitUntil(
        [&] { return evaluate(bothFound, int(qMax<qint64>(1, formDeadline.remainingTime()))).toBool(); }, waitMs_);
    if (formFound) {
        evaluate(QStringLiteral("(%1).value = %2;").arg(form.fieldScript, JavaScriptString(QStringLiteral("site:") + address)),
                 waitMs_);
        pageLoading_ = true;
        navigationStarted_ = false;
        evaluate(QStringLiteral("(%1).click(); true;").arg(form.buttonScript), waitMs_);
        waitUntil([this] { return !pageLoading_; }, waitMs_);
    }
    const QString html = evaluate(QStringLiteral("document.documentElement.outerHTML"), waitMs_).toString();
    navigate(QUrl(QStringLiteral("about:blank")));
    return html;
}
