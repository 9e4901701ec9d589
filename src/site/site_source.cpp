#include "site/site_source.h"

#include "net/http_download.h"

#include <QFile>
#include <QNetworkAccessManager>

namespace {

constexpr int kDownloadSeconds = 60;

}  // namespace

bool IsWebAddress(const QString &source)
{
    return source.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
        || source.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

SiteSource::SiteSource(const StopFlag *stop) : stop_(stop) {}
SiteSource::~SiteSource() = default;

SourceBytes SiteSource::read(const QString &source, qint64 limit)
{
    SourceBytes result;
    if (IsWebAddress(source)) {
        if (!network_)
            network_ = std::make_unique<QNetworkAccessManager>();
        DownloadLimits limits;
        limits.timeoutMs = kDownloadSeconds * 1000;
        limits.maxBodyBytes = limit + 1;
        limits.stop = stop_;
        Download download = DownloadUrl(*network_, QUrl(source), limits);
        if (!download.ok()) {
            result.problem = download.failure;
            return result;
        }
        result.bytes = std::move(download.body);
    } else {
        QFile file(source);
        if (!file.exists()) {
            result.problem = QStringLiteral("文件不存在");
            return result;
        }
        if (!file.open(QIODevice::ReadOnly)) {
            result.problem = QStringLiteral("无法打开（%1）").arg(file.errorString());
            return result;
        }
        result.bytes = file.read(limit + 1);
        if (file.error() != QFileDevice::NoError) {
            result.problem = QStringLiteral("读取出错（%1）").arg(file.errorString());
            return result;
        }
    }
    result.cut = result.bytes.size() > limit;
    if (result.cut)
        result.bytes.truncate(limit);
    return result;
}
