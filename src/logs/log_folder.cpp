#include "logs/log_folder.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

QStringList ListLogFiles(const QString &folder)
{
    if (folder.isEmpty())
        return {};
    QDir dir(folder);
    dir.setNameFilters({QStringLiteral("*.log")});
    dir.setFilter(QDir::Files | QDir::Hidden);
    QStringList names;
    const QFileInfoList entries = dir.entryInfoList();
    for (const QFileInfo &entry : entries)
        if (entry.isFile() && entry.fileName().endsWith(QLatin1String(".log"), Qt::CaseInsensitive))
            names.append(entry.fileName());
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    return names;
}
