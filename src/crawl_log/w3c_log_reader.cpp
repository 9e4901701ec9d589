#include "crawl_log/w3c_log_reader.h"

#include "crawl_log/log_scanner.h"

qint32 定位log头信息(const QString &path, const QString &fieldName)
{
    LogFile file;
    if (!file.open(path))
        return 0;
    return FindFieldIndex(file, fieldName).fieldIndex;
}

qint64 查找搜索引擎信息(const QString &path, qint32 fieldIndex, const QString &token, QStringList &hits,
                const StopFlag *stop)
{
    hits = QStringList{QString()};
    LogFile file;
    if (!file.open(path))
        return 0;
    const HitScan scan = ScanHitLines(
        file, fieldIndex, CrawlerToken(token), stop,
        [&hits](QByteArrayView value, TextEncoding encoding) { hits.append(DecodeLogText(value, encoding)); });
    return scan.hitLines;
}
