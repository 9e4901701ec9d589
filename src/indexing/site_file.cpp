#include "indexing/site_file.h"

#include "common/cp936.h"
#include "common/text_rules.h"
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

}  // namespace

SiteList ParseSiteFile(const QByteArray &bytes)
{
    const QString text = bytes.startsWith(kUtf8Mark) ? QString::fromUtf8(bytes.sliced(kUtf8Mark.size()))
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

QByteArray SerializeSiteFile(const SiteList &list)
{
    QString text;
    for (const SiteEntry &entry : list.entries())
        text += QStringLiteral("\r\n") + entry.Url + u'|' + entry.Name + u'|'
            + (entry.Checked ? QStringLiteral("True") : QStringLiteral("False"));
    bool lossless = true;
    QByteArray bytes = Cp936::encode(text, &lossless);
    return lossless ? bytes : kUtf8Mark + text.toUtf8();
}

SiteList LoadSiteFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // A site list is a few kilobytes; 16 MiB is far beyond any real one.
    return ParseSiteFile(file.read(16 << 20));
}

SiteFileSave SaveSiteFile(const SiteList &list, const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    const QByteArray bytes = SerializeSiteFile(list);
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
