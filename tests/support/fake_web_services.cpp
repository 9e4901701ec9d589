#include "support/fake_web_services.h"

#include "common/cp936.h"

#include <QHostAddress>
#include <QHttpServerRequest>
#include <QTest>

namespace {

QByteArray gbkPage(const QString &body)
{
    return Cp936::encode(QString(QStringLiteral("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                                        "charset=gb2312\"></head><body>\r\n")
                         + body + QStringLiteral("\r\n</body></html>")));
}

QByteArray utf8Page(const QString &body)
{
    return (QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body>\r\n\t") + body
            + QStringLiteral("\r\n</body></html>"))
        .toUtf8();
}

}  // namespace

FakeWebServices::FakeWebServices()
{
    server_.setMissingHandler([this](const QHttpServerRequest &request, QHttpServerResponder &&responder) {
        answer(request, std::move(responder));
    });
    const quint16 port = server_.listen(QHostAddress::LocalHost, 0);
    if (port == 0)
        qFatal("the fake web services cannot listen on 127.0.0.1");
    base_ = QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port));
}

void FakeWebServices::answer(const QHttpServerRequest &request, QHttpServerResponder &&responder)
{
    const QString path = request.url().path(QUrl::FullyEncoded);
    const QString query = request.url().query(QUrl::FullyEncoded);
    requests_.append({path, query});
    const QByteArray html = "text/html";
    using Status = QHttpServerResponder::StatusCode;

    if (path == QLatin1String("/") && homeHasForms_)
        responder.write(utf8Page(QStringLiteral(
                            "<p>home</p><form action=\"/gsearch\"><input name=\"q\"><input type=\"submit\" "
                            "name=\"btnG\" value=\"Google\"></form><form action=\"/sogou\"><input id=\"query\" "
                            "name=\"query\"><input type=\"submit\" id=\"stb\" value=\"搜狗\"></form>")),
                        html);
    else if (path == QLatin1String("/"))
        responder.write(utf8Page(QStringLiteral("<p>home without a form</p>")), html);
    else if ((path == QLatin1String("/gsearch") || path == QLatin1String("/sogou")) && resultsNeverAnswer_)
        neverAnswered_.push_back(std::move(responder));
    else if (path == QLatin1String("/gsearch"))
        responder.write(utf8Page(QStringLiteral("<div id=\"stats\">约有 <b>1,230</b> 项符合</div>")), html);
    else if (path == QLatin1String("/sogou"))
        responder.write(utf8Page(QStringLiteral("<p>找到约4,567<!-- x -->个网页</p>")), html);
    else if (path == QLatin1String("/s"))
        responder.write(gbkPage(QStringLiteral("百度为您找到相关网页约1,234篇，用时0.01秒")), html);
    else if (path == QLatin1String("/search") && query.startsWith(QLatin1String("p=")))
        responder.write(utf8Page(QStringLiteral("找到相关网页约56条")), html);
    else if (path == QLatin1String("/search") && query.startsWith(QLatin1String("q=")))
        responder.write(utf8Page(QStringLiteral("<span>1-10，共 2,345 条搜索结果</span>")), html);
    else if (path == QLatin1String("/search") && query.startsWith(QLatin1String("ue=gbk")))
        responder.write(utf8Page(QStringLiteral("搜索到结果<b>3万4567</b>条")), html);
    else if (path == QLatin1String("/q"))
        responder.write(gbkPage(QStringLiteral("搜索到约3,456项结果")), html);
    else if (path == QLatin1String("/web"))
        responder.write(gbkPage(QStringLiteral("<div>搜狗评级:5/100&nbsp;</div>")), html);
    else if (path == QLatin1String("/overview/Info.do"))
        responder.write(gbkPage(QStringLiteral("<td background=\"/img/cr_bg25.gif\" class=\"r\">123</td>")), html);
    else if (path.startsWith(QLatin1String("/siteinfo/")))
        responder.write(utf8Page(QStringLiteral("Alexa traffic rank in other countries: <span class=\"big\"><a "
                                                "href=\"/r\">#</a>12,345</span>")),
                        html);
    else if (path == QLatin1String("/gbk-as-utf8"))  // a page in the wrong encoding for its service
        responder.write(gbkPage(QStringLiteral("找到相关网页约56条")), html);
    else if (path == QLatin1String("/raw"))  // line ends, a tab and a charset to clean up
        responder.write(QByteArray("a\r\n\tb\nc\rd <meta charset=UTF-8> charset=\"Utf-8\""), html);
    else if (path == QLatin1String("/empty"))
        responder.write(QByteArray(), html);
    else if (path == QLatin1String("/big"))  // 20 MiB
        responder.write(QByteArray(20 << 20, 'x'), html);
    else if (path == QLatin1String("/loop"))
        responder.write({{"Location", "/loop"}}, Status::Found);
    else if (path == QLatin1String("/to-file"))
        responder.write({{"Location", "file:///etc/passwd"}}, Status::Found);
    else if (path == QLatin1String("/to-baidu"))
        responder.write({{"Location", "/s?wd=x"}}, Status::MovedPermanently);
    else if (path == QLatin1String("/never"))
        neverAnswered_.push_back(std::move(responder));
    else
        responder.write(Status::NotFound);
}
