#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>
#include <QStringList>

// A CSV file written as it goes (a table may hold millions of rows) and saved
// atomically at the end: UTF-8 with a byte-order mark, so that spreadsheet
// programs read the Chinese right, rows ending in CR LF.
class CsvFile
{
public:
    explicit CsvFile(const QString &path);

    void row(const QStringList &fields);
    // Empty when saved, else why not, in Chinese.
    QString finish();

private:
    void flush();

    QSaveFile file_;
    QByteArray buffer_;
    QString error_;  // the first failure; later writes are not tried
};

// A field quoted where it needs to be; one that starts like a formula is
// kept as text by a leading apostrophe.
QString CsvField(QString text);
// One CSV row without its line end: every field as CsvField writes it.
QString CsvRow(const QStringList &fields);
