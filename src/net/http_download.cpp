#include "net/http_download.h"

#include "common/app_identity.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace {

bool isWebScheme(const QUrl &url)
{
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

QString failureText(QNetworkReply &reply, bool timedOut)
{
    if (timedOut)
        return QStringLiteral("超时");
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && status.toInt() >= 400)
        return QStringLiteral("HTTP %1").arg(status.toInt());
    return reply.errorString();
}

}  // namespace

Download DownloadUrl(QNetworkAccessManager &network, const QUrl &url, const DownloadLimits &limits)
{
    if (!url.isValid() || !isWebScheme(url))
        return {{}, false, QStringLiteral("只接受 http(s) 网址")};
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(limits.maxRedirects);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("Mozilla/5.0 (compatible; %1/%2)")
                          .arg(AppIdentity::internalName(), AppIdentity::versionText()));
    QNetworkReply *reply = network.get(request);
    reply->setReadBufferSize(1 << 20);  // Qt buffers no more than this ahead of us

    Download result;
    bool timedOut = false;
    bool refusedRedirect = false;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, reply, [&] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::redirected, reply, [&](const QUrl &target) {
        if (isWebScheme(target)) {
            emit reply->redirectAllowed();
        } else {
            refusedRedirect = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [&] {
        result.body += reply->read(limits.maxBodyBytes - result.body.size());
        if (result.body.size() >= limits.maxBodyBytes && !result.cut) {
            result.cut = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(limits.timeoutMs);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!result.cut && reply->isOpen())
        result.body += reply->read(limits.maxBodyBytes - result.body.size());
    if (refusedRedirect)
        result.failure = QStringLiteral("拒绝转向非 http(s) 网址");
    else if (!result.cut && reply->error() != QNetworkReply::NoError)
        result.failure = failureText(*reply, timedOut);
    if (!result.ok())
        result.body.clear();
    reply->deleteLater();
    return result;
}

QByteArray DownloadBody(QNetworkAccessManager &network, const QUrl &url, const DownloadLimits &limits)
{
    return DownloadUrl(network, url, limits).body;
}
