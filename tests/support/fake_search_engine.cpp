#include "support/fake_search_engine.h"

#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponder>

FakeSearchEngine::FakeSearchEngine()
{
    server_.setMissingHandler([this](const QHttpServerRequest &request, QHttpServerResponder &&responder) {
        const QString asked = request.url().path(QUrl::FullyEncoded) + u'?' + request.url().query(QUrl::FullyEncoded);
        requests_.append(asked);
        if (silent_.contains(asked)) {
            unanswered_.push_back(std::move(responder));
            return;
        }
        const Answer answer = answers_.value(asked, {"<html><body><p>没有结果</p></body></html>", 200});
        responder.write(answer.page, "text/html", QHttpServerResponder::StatusCode(answer.status));
    });
    const quint16 port = server_.listen(QHostAddress::LocalHost, 0);
    if (port == 0)
        qFatal("the fake search engine cannot listen on 127.0.0.1");
    base_ = QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port));
}

void FakeSearchEngine::serve(const QString &pathAndQuery, const QByteArray &page, int status)
{
    answers_.insert(pathAndQuery, {page, status});
}

QByteArray FakeSearchEngine::resultPage(const QStringList &urls)
{
    QString html = QStringLiteral("<html><body>\r\n");
    for (const QString &url : urls)
        html += QStringLiteral("<div><h3 class=\"r\"><a href=\"%1\">标题</a></h3>\r\n<cite>%2</cite></div>\r\n")
                    .arg(url, QString(url).remove(QStringLiteral("https://")).remove(QStringLiteral("http://")));
    return (html + QStringLiteral("</body></html>")).toUtf8();
}

QByteArray FakeSearchEngine::definitions(const QUrl &base)
{
    const QString text = QStringLiteral(R"({"services": [
  {"key": "fake", "caption": "假搜索", "label": "假", "kind": "serp", "base": "%1",
   "query": "/s?q={keyword}&pn={offset}", "per_page": 3,
   "results": {"regex": "<h3 class=\"r\"><a href=\"([^\"]+)\""}, "exclude": "^https?://ad\\.", "captcha": ["安全验证"]},
  {"key": "cite", "caption": "显示地址", "label": "显示", "kind": "serp", "base": "%1",
   "query": "/cite?q={keyword}&page={page}", "results": {"regex": "<cite>(.*?)</cite>"}},
  {"key": "gbk", "caption": "国标搜索", "label": "国标", "kind": "serp", "base": "%1", "encoding": "gb18030",
   "query": "/gbk?wd={keyword}&p={page}", "results": {"regex": "<h3 class=\"r\"><a href=\"([^\"]+)\""}}
]})");
    return text.arg(base.toString()).toUtf8();
}
