#pragma once

#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class QCoreApplication;

// Which search form to drive: the page, the field and the button.
struct SearchForm
{
    QString homePath;      // "" for Google (the host's root), "/" for Sogou
    QString fieldScript;   // JavaScript giving the search field, or null
    QString buttonScript;  // JavaScript giving the search button, or null
};

// The first element named "q" and the first named "btnG".
inline SearchForm GoogleSearchForm()
{
    return {QString(), QStringLiteral("document.getElementsByName('q')[0]"),
            QStringLiteral("document.getElementsByName('btnG')[0]")};
}

// The elements with the ids "query" and "stb".
inline SearchForm SogouSearchForm()
{
    return {QStringLiteral("/"), QStringLiteral("document.getElementById('query')"),
            QStringLiteral("document.getElementById('stb')")};
}

// Fills a search engine's form with "site:" + address and returns the
// result page's HTML; every failure gives what the browser shows then, and
// failure() says what went wrong. The wait for the result page ends as soon
// as `countFound` says the page holds the number, or the page has loaded.
class FormSearcher
{
public:
    virtual ~FormSearcher() = default;
    virtual QString search(const SearchForm &form, const QUrl &base, const QString &address,
                           const std::function<bool(const QString &html)> &countFound = {}) = 0;
    // Why the last search got no complete result page; empty when it did.
    virtual QString failure() const = 0;
};

// The hidden browser lives in a module of its own, loaded on first use, so
// neither program maps the browser engine before a form search needs it.
// The application must be a QGuiApplication made after
// QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts). Null (with a
// warning) when that is not so or the module cannot be loaded.
std::unique_ptr<FormSearcher> LoadBrowserFormSearcher(int waitMs);

// The application of a command-line run that may search forms: a
// QGuiApplication as the browser asks for it, made by a small module of its
// own, so that the command line itself maps no GUI library (which would add
// to the start of every other command); a QCoreApplication when that module
// cannot be loaded (the form searches then fail with a warning).
std::unique_ptr<QCoreApplication> MakeBrowserApplication(int &argc, char **argv);

// The modules' entry points.
using CreateFormSearcherFunction = FormSearcher *(*)(int waitMs);
inline constexpr char kCreateFormSearcher[] = "trawlex_create_form_searcher";
using MakeApplicationFunction = QCoreApplication *(*)(int &argc, char **argv);
inline constexpr char kMakeApplication[] = "trawlex_make_application";
