#pragma once

#include <QByteArray>
#include <QHash>
#include <QHttpServer>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <vector>

// A search engine on 127.0.0.1 and a free port, for the ranking tests: each
// "path?query" (percent-encoding as sent) answers with the page set for it;
// any other asks get a page without results. Every request is recorded.
class FakeSearchEngine
{
public:
    FakeSearchEngine();

    QUrl base() const { return base_; }
    void serve(const QString &pathAndQuery, const QByteArray &page, int status = 200);
    void neverAnswer(const QString &pathAndQuery) { silent_.append(pathAndQuery); }
    const QStringList &requests() const { return requests_; }

    // A result page in the shape the test definitions read: per result
    // <h3 class="r"><a href="URL"> and a <cite> with its display address.
    static QByteArray resultPage(const QStringList &urls);
    // The definitions of the fake engine ("fake": UTF-8, 3 a page, ads at
    // "ad." hosts excluded, captcha word "安全验证"), of one that reads the
    // display addresses ("cite"), and of one in code page 936 ("gbk"), all
    // at `base`, as a services.json.
    static QByteArray definitions(const QUrl &base);

private:
    struct Answer
    {
        QByteArray page;
        int status;
    };

    QHttpServer server_;
    QUrl base_;
    QHash<QString, Answer> answers_;
    QStringList requests_;
    QStringList silent_;
    std::vector<QHttpServerResponder> unanswered_;
};
