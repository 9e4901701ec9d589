#include "net/http_download.h"

#include "common/app_identity.h"
#include "common/stop_flag.h"

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

QString failureText(const QNetworkReply &reply, int httpStatus)
{
    if (httpStatus >= 400)
        return QStringLiteral("HTTP %1").arg(httpStatus);
    return QStringLiteral("网络错误：") + reply.errorString();
}

}  // namespace

Download DownloadUrl(QNetworkAccessManager &network, const QUrl &url, const DownloadLimits &limits)
{
    if (!url.isValid() || !isWebScheme(url))
        return {{}, false, 0, QStringLiteral("网址无效（只接受 http 或 https）：") + url.toString()};
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(limits.maxRedirects);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("Mozilla/5.0 (compatible; %1/%2)")
                          .arg(AppIdentity::internalName(), AppIdentity::versionText()));
    QNetworkReply *reply = network.get(request);
    reply->setReadBufferSize(1 << 20);  // Qt buffers no more than this ahead of us

    Download result;
    QString abortReason;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, reply, [&] {
        abortReason = QStringLiteral("超时（%1 秒内没有完成）").arg(limits.timeoutMs / 1000.0);
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::redirected, reply, [&](const QUrl &target) {
        if (isWebScheme(target)) {
            emit reply->redirectAllowed();
        } else {
            abortReason = QStringLiteral("拒绝转向到非网页地址：") + target.toString();
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
    // The flag may be set by a signal handler, which cannot wake this loop;
    // hence a look at it now and then rather than a signal.
    QTimer stopWatch;
    if (limits.stop) {
        QObject::connect(&stopWatch, &QTimer::timeout, reply, [&] {
            if (limits.stop->isSet()) {
                abortReason = QStringLiteral("已停止");
                reply->abort();
            }
        });
        stopWatch.start(50);
    }
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(limits.timeoutMs);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!result.cut && reply->isOpen())
        result.body += reply->read(limits.maxBodyBytes - result.body.size());
    result.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (!result.cut && !abortReason.isEmpty())
        result.failure = abortReason;
    else if (!result.cut && reply->error() != QNetworkReply::NoError)
        result.failure = failureText(*reply, result.httpStatus);
    if (!result.ok())
        result.body.clear();
    reply->deleteLater();
    return result;
}
