#include "ranking/keyword_file.h"

#include "indexing/site_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

QStringList ParseKeywords(const QString &text)
{
    QStringList keywords;
    QSet<QString> seen;
    for (QStringView line : QStringView(text).split(u'\n')) {
        const QString keyword = line.trimmed().toString();
        if (!keyword.isEmpty() && !seen.contains(keyword)) {
            seen.insert(keyword);
            keywords.append(keyword);
        }
    }
    return keywords;
}

QStringList ParseKeywords(const QByteArray &bytes)
{
    const QByteArray mark = "\xEF\xBB\xBF";
    return ParseKeywords(QString::fromUtf8(bytes.startsWith(mark) ? bytes.sliced(mark.size()) : bytes));
}

QByteArray SerializeKeywords(const QStringList &keywords) { return keywords.join(QStringLiteral("\r\n")).toUtf8(); }

QStringList LoadKeywordFile(const QString &path, QString *fault)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly)) {
        if (fault)
            *fault = QStringLiteral("关键词文件 %1 无法读取：%2").arg(QDir::toNativeSeparators(path), file.errorString());
        return {};
    }
    // A keyword list is a few kilobytes; 16 MiB is far beyond any real one.
    return ParseKeywords(file.read(16 << 20));
}

QString SaveKeywordFile(const QStringList &keywords, const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    const QByteArray bytes = SerializeKeywords(keywords);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return QStringLiteral("关键词无法保存到 %1：%2").arg(QDir::toNativeSeparators(path), file.errorString());
    return {};
}

QString KeywordFilePath() { return QFileInfo(SiteFilePath()).dir().filePath(QStringLiteral("gjc.txt")); }
