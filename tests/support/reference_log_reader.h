#pragma once

// The W3C log-reading rules written as plainly as possible: the whole file in
// memory, split into lines, each line decoded and cut into columns. The fast
// block reader and the crawl run must agree with it on every input.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace Reference {

struct Lines
{
    QList<QByteArray> lines;  // without line ends
    qint64 skippedLongLines = 0;
};

Lines SplitLines(QByteArray bytes, qsizetype maxLineBytes);

struct W3cLine
{
    enum Kind { Record, Other, Bad } kind = Other;
    QByteArray line;
    bool hasPage = false;
    QByteArray page;  // raw
};

// Each line as a W3C log reads it: the latest "#Fields:" directive (names
// split at runs of spaces and tabs) tells the cs-uri-stem column; a data line
// splits at every space or tab; "-" and an empty value are no page.
QList<W3cLine> ReadW3c(const QByteArray &file, qsizetype maxLineBytes);

struct Crawl
{
    qint64 requests = 0;
    qint64 skippedLines = 0;  // lines holding the token that are no record
    QStringList pages;        // distinct, letter case ignored, the empty page first
};

// The crawl run over one W3C file: records holding the token (letter case
// ignored, '+' and ' ' alike), their pages decoded by their own bytes.
Crawl CrawlW3c(const QByteArray &file, const QString &token, qsizetype maxLineBytes);

}  // namespace Reference
