#pragma once

#include <QString>
#include <QStringView>

// Trim as the program's texts are trimmed: only the space character U+0020
// goes; tabs and other white space stay.
QString TrimSpaces(QStringView text);
