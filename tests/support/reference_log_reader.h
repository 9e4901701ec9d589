#pragma once

// The log-reading rules written as plainly as possible: the whole file in
// memory, split into lines, each line decoded and cut at spaces. The fast
// block scanner must agree with it on every input.

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

qint32 FieldIndex(const QByteArray &file, const QString &fieldName, qsizetype maxLineBytes);

// With `stopAfterFirstLine` only the first line is read.
qint64 HitList(const QByteArray &file, qint32 fieldIndex, const QString &token, qsizetype maxLineBytes,
               bool stopAfterFirstLine, QStringList &hits);

}  // namespace Reference
