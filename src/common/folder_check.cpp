#include "common/folder_check.h"

#include <QFileInfo>

bool CheckFolderExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.isDir();
}
