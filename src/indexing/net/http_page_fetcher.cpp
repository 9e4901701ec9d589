#include "indexing/net/http_page_fetcher.h"

#include "common/cp936.h"

#include <QNetworkAccessManager>
#include <QStringDecoder>

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

QString INET下载投注网页(QNetworkAccessManager &network, const QString &url, bool utf8, const DownloadLimits &limits)
{
    const QByteArray body = DownloadBody(network, QUrl(url, QUrl::StrictMode), limits);
    return CleanDownloadedPage(utf8 ? Utf8BytesToString(body) : Cp936::decode(body));
}

QString INET下载投注网页(const QString &url, bool utf8, const DownloadLimits &limits)
{
    QNetworkAccessManager network;
    return INET下载投注网页(network, url, utf8, limits);
}
