#pragma once

#include "indexing/net/form_search.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QString>
#include <QUrl>

#include <memory>

class QWebEnginePage;
class QWebEngineProfile;

// A hidden browser that fills a search engine's form as a user would and
// returns the result page's HTML. It is silent (no dialogs, certificate
// errors refused, permissions denied), keeps nothing on disk, and rests on
// "about:blank" between uses. The browser engine starts on first use.
// Waits run a local event loop with a deadline that handles no user input.
class BrowserFormDriver : public QObject, public FormSearcher
{
    Q_OBJECT

public:
    explicit BrowserFormDriver(int waitMs = 10000, QObject *parent = nullptr);
    ~BrowserFormDriver() override;

    // The home page at `base`, "site:" + address in the field, a click on the
    // button, the result page once its top-level document has completed or
    // `countFound` finds the number in it, all within `waitMs`. Every
    // failure gives the HTML of what the browser shows at that moment.
    QString search(const SearchForm &form, const QUrl &base, const QString &address,
                   const std::function<bool(const QString &html)> &countFound = {}) override;
    QString failure() const override { return failure_; }

    // The window's PageLoading flag: set while a navigation waited for has
    // not completed; cleared by the top-level document's completion only.
    bool pageLoading() const { return pageLoading_; }

private:
    void ensurePage();
    QVariant evaluate(const QString &script, const QDeadlineTimer &deadline);
    bool waitUntil(const std::function<bool()> &done, const QDeadlineTimer &deadline);
    void navigate(const QUrl &url);

    int waitMs_;
    std::unique_ptr<QWebEngineProfile> profile_;
    std::unique_ptr<QWebEnginePage> page_;
    bool pageLoading_ = false;
    bool navigationStarted_ = false;
    QString failure_;
};

// "site:" + address quoted as a JavaScript string literal.
QString JavaScriptString(const QString &text);
