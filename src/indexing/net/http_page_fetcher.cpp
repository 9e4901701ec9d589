#include "indexing/net/http_page_fetcher.h"

#include "common/app_identity.h"
#include "common/cp936.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QTimer>

namespace {

bool isWebScheme(const QUrl &url)
{
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

}  // namespace

Download DownloadUrl(QNetworkAccessManager &network, const QUrl &url, const DownloadLimits &limits)
{
    if (!url.isValid() || !isWebScheme(url))
        return {{}, 0, QStringLiteral("网址无效：") + url.toString()};
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(limits.maxRedirects);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("Mozilla/5.0 (compatible; %1/%2)")
                          .arg(AppIdentity::internalName(), AppIdentity::versionText()));
    QNetworkReply *reply = network.get(request);
    reply->setReadBufferSize(1 << 20);  // Qt buffers no more than this ahead of us

    QByteArray body;
    bool cut = false;
    QString abortReason;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, reply, [&abortReason, reply, &limits] {
        abortReason = QStringLiteral("超时（%1 秒内没有完成）").arg(limits.timeoutMs / 1000.0);
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::redirected, reply, [&abortReason, reply](const QUrl &target) {
        if (isWebScheme(target)) {
            emit reply->redirectAllowed();
            return;
        }
        abortReason = QStringLiteral("拒绝转向到非网页地址：") + target.toString();
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [&] {
        body += reply->read(limits.maxBodyBytes - body.size());
        if (body.size() >= limits.maxBodyBytes && !cut) {
            cut = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(limits.timeoutMs);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!cut && reply->isOpen())
        body += reply->read(limits.maxBodyBytes - body.size());
    Download download;
    download.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (cut || reply->error() == QNetworkReply::NoError)
        download.body = body;
    else if (!abortReason.isEmpty())
        download.failure = abortReason;
    else if (download.httpStatus >= 400)
        download.failure = QStringLiteral("HTTP %1 %2")
                               .arg(download.httpStatus)
                               .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString())
                               .trimmed();
    else
        download.failure = QStringLiteral("网络错误：") + reply->errorString();
    reply->deleteLater();
    return download;
}

QString Utf8BytesToString(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

QString CleanDownloadedPage(QString page)
{
    page.remove(QStringLiteral("\r\n"));
    page.remove(u'\t');
    page.remove(u'\n');
    page.remove(u'\r');
    page.replace(QStringLiteral("charset=utf-8"), QStringLiteral("charset=GB2312"), Qt::CaseInsensitive);
    page.replace(QStringLiteral("charset=\"utf-8"), QStringLiteral("charset=\"GB2312"), Qt::CaseInsensitive);
    return page;
}

FetchedPage FetchResultPage(QNetworkAccessManager &network, const QString &url, bool utf8, const DownloadLimits &limits)
{
    const Download download = DownloadUrl(network, QUrl(url, QUrl::StrictMode), limits);
    FetchedPage page(CleanDownloadedPage(utf8 ? Utf8BytesToString(download.body) : Cp936::decode(download.body)));
    page.body = download.body;
    page.httpStatus = download.httpStatus;
    page.failure = download.failure;
    return page;
}

QString INET下载投注网页(QNetworkAccessManager &network, const QString &url, bool utf8, const DownloadLimits &limits)
{
    return FetchResultPage(network, url, utf8, limits).text;
}

QString INET下载投注网页(const QString &url, bool utf8, const DownloadLimits &limits)
{
    QNetworkAccessManager network;
    return INET下载投注网页(network, url, utf8, limits);
}
