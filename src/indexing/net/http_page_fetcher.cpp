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

FetchedPage FetchResultPage(QNetworkAccessManager &network, const QString &url, bool utf8, const DownloadLimits &limits)
{
    const Download download = DownloadUrl(network, QUrl(url, QUrl::StrictMode), limits);
    FetchedPage page(CleanDownloadedPage(utf8 ? Utf8BytesToString(download.body) : Cp936::decode(download.body)));
    page.body = download.body;
    page.httpStatus = download.httpStatus;
    page.failure = download.failure;
    return page;
}

