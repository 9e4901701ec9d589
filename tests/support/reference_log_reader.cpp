#include "support/reference_log_reader.h"

#include "crawl_log/crawler_token.h"
#include "logs/log_text.h"

namespace Reference {

Lines SplitLines(QByteArray bytes, qsizetype maxLineBytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    Lines result;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        const bool hasLineEnd = end >= 0;
        if (!hasLineEnd)
            end = bytes.size();
        QByteArray line = bytes.mid(start, end - start);
        start = end + 1;
        if (line.size() > maxLineBytes) {
            ++result.skippedLongLines;
            continue;
        }
        if (hasLineEnd && line.endsWith('\r'))
            line.chop(1);
        result.lines.append(line);
    }
    return result;
}

qint32 FieldIndex(const QByteArray &file, const QString &fieldName, qsizetype maxLineBytes)
{
    for (const QByteArray &bytes : SplitLines(file, maxLineBytes).lines) {
        const QString line = DecodeLogLine(bytes);
        if (line.left(8).toLower() != QLatin1String("#fields:"))
            continue;
        const QStringList tokens = line.split(u' ');
        for (qsizetype k = 0; k < tokens.size(); ++k)
            if (tokens[k].toLower() == fieldName.toLower())
                return qint32(k);
        return 0;
    }
    return 0;
}

qint64 HitList(const QByteArray &file, qint32 fieldIndex, const QString &token, qsizetype maxLineBytes,
               bool stopAfterFirstLine, QStringList &hits)
{
    hits = QStringList{QString()};
    const CrawlerToken crawler(token);
    for (const QByteArray &bytes : SplitLines(file, maxLineBytes).lines) {
        const QString line = DecodeLogLine(bytes);
        if (crawler.occursIn(line))
            hits.append(line.split(u' ').value(fieldIndex - 1));
        if (stopAfterFirstLine)
            break;
    }
    return hits.size() - 1;
}

}  // namespace Reference
