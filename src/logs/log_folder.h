#pragma once

#include <QString>
#include <QStringList>

// The log files of a folder: regular files (or links to them) whose names end
// in ".log" in any letter case, sorted by name with letter case ignored, ties
// by the exact name. Directories, FIFOs and devices never count.
QStringList ListLogFiles(const QString &folder);
