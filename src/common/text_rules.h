#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>

// Trim as the program's texts are trimmed: only the space character U+0020
// goes; tabs and other white space stay.
QString TrimSpaces(QStringView text);

// A moment as Chinese readers write it, whatever the system's locale:
// "2026年12月8日 12:39:43".
QString ChineseDateTimeText(const QDateTime &moment);
