#include "indexing/site_file.h"

#include "common/cp936.h"
#include "common/text_rules.h"
#include "common/utf8.h"
#include "indexing/numeric_text.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

namespace {

const QByteArray kUtf8Mark = "\xEF\xBB\xBF";

bool readCheckMark(const QString &field)
{
    if (field.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    if (field.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    const std::optional<NumericText> number = ParseNumericText(field);
    return !number || !number->zero;
}

SiteFileEncoding detectEncoding(const QByteArray &bytes)
{
    if (bytes.startsWith(kUtf8Mark))
        return SiteFileEncoding::Utf8WithMark;
    if (!Utf8::isAscii(bytes) && Utf8::isValid(bytes))
        return SiteFileEncoding::Utf8;
    return SiteFileEncoding::Cp936;
}

}  // namespace

SiteList ParseSiteFile(const QByteArray &bytes, SiteFileEncoding *encoding)
{
    const SiteFileEncoding detected = detectEncoding(bytes);
    if (encoding)
        *encoding = detected;
    const QString text = detected == SiteFileEncoding::Utf8WithMark ? QString::fromUtf8(bytes.sliced(kUtf8Mark.size()))
        : detected == SiteFileEncoding::Utf8                       ? QString::fromUtf8(bytes)
                                                                   : Cp936::decode(bytes);
    SiteList list;
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    for (const QString &line : lines) {
        const QStringList fields = line.split(u'|');
        if (fields.size() != 3)
            continue;
        SiteEntry entry{TrimSpaces(fields[0]), TrimSpaces(fields[1]), readCheckMark(fields[2])};
        list.append(entry);  // refuses empty and repeated addresses
    }
    return list;
}

QByteArray SerializeSiteFile(const SiteList &list, SiteFileEncoding encoding)
{
    QString text;
    for (const SiteEntry &entry : list.entries())
        text += QStringLiteral("\r\n") + entry.Url + u'|' + entry.Name + u'|'
            + (entry.Checked ? QStringLiteral("True") : QStringLiteral("False"));
    switch (encoding) {
    case SiteFileEncoding::Utf8:
        return text.toUtf8();
    case SiteFileEncoding::Utf8WithMark:
        return kUtf8Mark + text.toUtf8();
    case SiteFileEncoding::Cp936:
        break;
    }
    // Written with a mark when code page 936 cannot hold the list, or when
    // its bytes would read back as UTF-8 ("茅" is C3 A9, as "é" in UTF-8).
    bool lossless = true;
    const QByteArray bytes = Cp936::encode(text, &lossless);
    return lossless && detectEncoding(bytes) == SiteFileEncoding::Cp936 ? bytes : kUtf8Mark + text.toUtf8();
}

SiteList LoadSiteFile(const QString &path, SiteFileEncoding *encoding)
{
    if (encoding)
        *encoding = SiteFileEncoding::Cp936;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // A site list is a few kilobytes; 16 MiB is far beyond any real one.
    return ParseSiteFile(file.read(16 << 20), encoding);
}

SiteFileSave SaveSiteFile(const SiteList &list, const QString &path, SiteFileEncoding encoding)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    const QByteArray bytes = SerializeSiteFile(list, encoding);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return {false, QStringLiteral("网址列表无法保存到 %1：%2").arg(QDir::toNativeSeparators(path), file.errorString())};
    return {true, {}};
}

QString SiteFilePath()
{
    const QString appFolder = QCoreApplication::applicationDirPath();
    if (QFileInfo(appFolder).isWritable())
        return QDir(appFolder).filePath(QStringLiteral("lv.txt"));
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).filePath(QStringLiteral("lv.txt"));
}
