#include "site/sitemap_reader.h"

#include "common/stop_flag.h"
#include "common/utf8.h"
#include "site/site_source.h"
#include "site/url_key.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QUrl>
#include <QXmlStreamReader>

#include <unicode/ucnv.h>
#include <zlib.h>

#include <memory>

namespace {

QString cutText(qint64 limit) { return QStringLiteral("超过 %1 MiB，只读了前 %1 MiB").arg(limit >> 20); }

// Gzip'd bytes unpacked, at most `limit` of them; false when they are corrupt.
bool gunzip(const QByteArray &packed, qint64 limit, QByteArray &unpacked, bool &cut)
{
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        return false;
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(packed.constData()));
    stream.avail_in = uInt(packed.size());
    int status = Z_OK;
    constexpr qsizetype kChunk = 1 << 20;
    while (status == Z_OK && unpacked.size() <= limit) {
        const qsizetype before = unpacked.size();
        unpacked.resize(before + kChunk);
        stream.next_out = reinterpret_cast<Bytef *>(unpacked.data() + before);
        stream.avail_out = uInt(kChunk);
        status = inflate(&stream, Z_NO_FLUSH);
        unpacked.resize(before + kChunk - qsizetype(stream.avail_out));
    }
    inflateEnd(&stream);
    cut = unpacked.size() > limit;
    if (cut)
        unpacked.truncate(limit);
    return cut || status == Z_STREAM_END;
}

QString decodeGb18030(QByteArrayView bytes)
{
    UErrorCode status = U_ZERO_ERROR;
    UConverter *converter = ucnv_open("GB18030", &status);
    if (U_FAILURE(status))
        return QString::fromUtf8(bytes);  // an ICU without it: the bytes' UTF-8 reading, U+FFFD for the rest
    QString text(bytes.size() + 1, Qt::Uninitialized);
    const int32_t length = ucnv_toUChars(converter, reinterpret_cast<UChar *>(text.data()), int32_t(text.size()),
                                         bytes.data(), int32_t(bytes.size()), &status);
    ucnv_close(converter);
    text.resize(U_SUCCESS(status) ? length : 0);
    return text;
}

void readXml(const QByteArray &bytes, bool cut, SitemapDocument &document)
{
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = xml.name();  // the local name: with or without a namespace
        if (name == QLatin1String("sitemapindex")) {
            document.index = true;
        } else if (name == QLatin1String("loc")) {
            const QString address = xml.readElementText().trimmed();
            if (xml.hasError())
                break;
            if (document.addresses.size() == kMostSitemapUrls) {
                document.problem = QStringLiteral("超过 %1 个网址，只用了前 %1 个").arg(kMostSitemapUrls);
                return;
            }
            if (!address.isEmpty())
                document.addresses.append(address);
        }
    }
    if (xml.hasError() && !cut)  // a cut file ends early: its own problem says so
        document.problem = QStringLiteral("XML 有误（第 %1 行）：%2").arg(xml.lineNumber()).arg(xml.errorString());
}

void readText(const QByteArray &bytes, SitemapDocument &document)
{
    const QString text = Utf8::isValid(bytes) ? QString::fromUtf8(bytes) : decodeGb18030(bytes);
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        if (document.addresses.size() == kMostSitemapUrls) {
            document.problem = QStringLiteral("超过 %1 个网址，只用了前 %1 个").arg(kMostSitemapUrls);
            return;
        }
        document.addresses.append(line.toString());
    }
}

bool looksLikeXml(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    for (char c : bytes) {
        if (c == '<')
            return true;
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return false;
    }
    return false;
}

// Reading every source into one set of URLs.
class SitemapCollector
{
public:
    SitemapCollector(const QString &siteHost, SiteSource &source, const StopFlag *stop) : source_(source), stop_(stop)
    {
        set_.summary.host = siteHost.trimmed().toLower();
    }

    void read(const QString &address, bool child)
    {
        if (stop_ && stop_->isSet())
            return;
        const qsizetype entry = set_.summary.files.size();
        set_.summary.files.append({address, 0, {}});
        SourceBytes raw = source_.read(address, kMostSitemapBytes);
        if (!raw.problem.isEmpty()) {
            set_.summary.files[entry].problem = raw.problem;
            return;
        }
        SitemapDocument document = ParseSitemap(raw.bytes, raw.cut);
        set_.summary.files[entry].problem = document.problem;
        if (!document.index) {
            set_.summary.files[entry].urls = addUrls(document.addresses, set_.summary.files[entry].problem);
            return;
        }
        if (child) {
            set_.summary.files[entry].problem = QStringLiteral("索引中的索引，未读取");
            return;
        }
        if (document.addresses.size() > kMostSitemapChildren) {
            set_.summary.files[entry].problem = QStringLiteral("超过 %1 个子文件，只读了前 %1 个").arg(kMostSitemapChildren);
            document.addresses.resize(kMostSitemapChildren);
        }
        for (const QString &childAddress : std::as_const(document.addresses))
            read(besideIndex(address, childAddress), true);
    }

    SitemapSet take() { return std::move(set_); }

private:
    // A child of a local index is read from beside it when a file of its name is there.
    static QString besideIndex(const QString &index, const QString &child)
    {
        if (IsWebAddress(index))
            return child;
        const QString name = QUrl(child).fileName();
        const QString local = QFileInfo(index).dir().filePath(name);
        return !name.isEmpty() && QFileInfo(local).isFile() ? local : child;
    }

    qint64 addUrls(const QStringList &addresses, QString &problem)
    {
        qint64 onSite = 0;
        int notAddresses = 0;
        for (const QString &address : addresses) {
            QString host;
            QByteArray key;
            if (!UrlKey::split(address, host, key)) {
                ++notAddresses;
                continue;
            }
            if (set_.summary.host.isEmpty())
                set_.summary.host = host;
            if (host != set_.summary.host) {
                ++set_.summary.otherHost;
                continue;
            }
            ++onSite;
            if (!seen_.contains(key)) {
                seen_.insert(key);
                set_.summary.urls.append(address.trimmed());
                set_.keys.append(key);
            }
        }
        if (notAddresses > 0 && problem.isEmpty())
            problem = QStringLiteral("%1 个条目不是 http(s) 网址，已跳过").arg(notAddresses);
        return onSite;
    }

    SiteSource &source_;
    const StopFlag *stop_;
    SitemapSet set_;
    QSet<QByteArray> seen_;
};

}  // namespace

SitemapDocument ParseSitemap(QByteArray bytes, bool cut)
{
    SitemapDocument document;
    if (bytes.startsWith("\x1f\x8b")) {
        QByteArray unpacked;
        if (!gunzip(bytes, kMostSitemapBytes, unpacked, cut)) {
            document.problem = QStringLiteral("gzip 数据已损坏");
            return document;
        }
        bytes = std::move(unpacked);
    }
    if (looksLikeXml(bytes)) {
        readXml(bytes, cut, document);
    } else {
        if (cut)  // the last line is a part of one
            bytes.truncate(bytes.lastIndexOf('\n') + 1);
        readText(bytes, document);
    }
    if (cut && document.problem.isEmpty())
        document.problem = cutText(kMostSitemapBytes);
    return document;
}

SitemapSet ReadSitemaps(const QStringList &sources, const QString &siteHost, SiteSource &source, const StopFlag *stop)
{
    SitemapCollector collector(siteHost, source, stop);
    for (const QString &address : sources)
        collector.read(address, false);
    return collector.take();
}
