#include "overview/saved_file.h"

#include <QDir>
#include <QSaveFile>

QString SaveFileAtomically(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return QStringLiteral("无法保存 %1：%2").arg(QDir::toNativeSeparators(path), file.errorString());
    return {};
}
