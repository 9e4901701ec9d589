#pragma once

#include <QString>
#include <QStringList>

class StopFlag;

// The two passes over one W3C extended log, as the crawl run makes them.
// Both open the file, read it from the start and close it again; a file that
// cannot be read gives 0 here (the run asks the scanner itself to learn why).

// Position k >= 1 of the field in the file's first "#Fields:" directive, or 0.
qint32 定位log头信息(const QString &path, const QString &fieldName);

// Lines containing the crawler token; `hits` becomes the hit list: the empty
// string at 0, then the value of column (fieldIndex - 1) of each hit line.
qint64 查找搜索引擎信息(const QString &path, qint32 fieldIndex, const QString &token, QStringList &hits,
                const StopFlag *stop = nullptr);
