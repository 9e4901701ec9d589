#include "support/reference_log_reader.h"

#include "crawl_log/crawler_token.h"
#include "crawl_log/page_set.h"
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

QList<W3cLine> ReadW3c(const QByteArray &file, qsizetype maxLineBytes)
{
    QList<W3cLine> result;
    bool inBlock = false;
    qsizetype pageColumn = -1;
    for (const QByteArray &line : SplitLines(file, maxLineBytes).lines) {
        W3cLine read;
        read.line = line;
        if (line.startsWith('#')) {
            if (line.left(8).toLower() == "#fields:") {
                inBlock = true;
                QByteArray names = line.mid(8);
                names.replace('\t', ' ');
                QList<QByteArray> split = names.split(' ');
                split.removeAll(QByteArray());
                pageColumn = -1;
                for (qsizetype k = 0; k < split.size() && pageColumn < 0; ++k)
                    if (split[k].toLower() == "cs-uri-stem")
                        pageColumn = k;
            }
        } else if (!line.isEmpty()) {
            read.kind = inBlock ? W3cLine::Record : W3cLine::Bad;
            QByteArray columns = line;
            columns.replace('\t', ' ');
            read.page = pageColumn >= 0 ? columns.split(' ').value(pageColumn) : QByteArray();
            read.hasPage = read.kind == W3cLine::Record && !read.page.isEmpty() && read.page != "-";
        }
        result.append(read);
    }
    return result;
}

Crawl CrawlW3c(const QByteArray &file, const QString &token, qsizetype maxLineBytes)
{
    Crawl crawl;
    PageSet pages;
    pages.insert(QString());
    const CrawlerToken crawler(token);
    for (const W3cLine &line : ReadW3c(file, maxLineBytes)) {
        if (line.kind == W3cLine::Other || !crawler.occursIn(DecodeLogLine(line.line)))
            continue;
        if (line.kind == W3cLine::Bad) {
            ++crawl.skippedLines;
            continue;
        }
        ++crawl.requests;
        if (line.hasPage)
            pages.insert(DecodeLogLine(line.page));
    }
    crawl.pages = pages.pages();
    return crawl;
}

}  // namespace Reference
