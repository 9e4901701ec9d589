#include "common/csv_file.h"

#include <QDir>

QString CsvField(QString text)
{
    // Pages, names and keywords come from files anyone can write to: a
    // spreadsheet would run a field that starts like a formula.
    static const QString kFormulaStarts = QStringLiteral("=+-@\t\r");
    if (!text.isEmpty() && kFormulaStarts.contains(text.front()))
        text.prepend(u'\'');
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    return u'"' + text.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QString CsvRow(const QStringList &fields)
{
    QStringList quoted;
    for (const QString &field : fields)
        quoted.append(CsvField(field));
    return quoted.join(u',');
}

CsvFile::CsvFile(const QString &path) : file_(path)
{
    // Without the mark, spreadsheet programs take the file for the system's code page.
    if (file_.open(QIODevice::WriteOnly))
        buffer_ = "\xEF\xBB\xBF";
    else
        error_ = file_.errorString();
}

void CsvFile::row(const QStringList &fields)
{
    buffer_ += CsvRow(fields).toUtf8() + "\r\n";
    if (buffer_.size() > (1 << 20))
        flush();
}

QString CsvFile::finish()
{
    flush();
    if (error_.isEmpty() && !file_.commit())
        error_ = file_.errorString();
    if (error_.isEmpty())
        return {};
    return QStringLiteral("无法保存 %1：%2").arg(QDir::toNativeSeparators(file_.fileName()), error_);
}

void CsvFile::flush()
{
    if (error_.isEmpty() && file_.write(buffer_) != buffer_.size()) {
        error_ = file_.errorString();
        file_.cancelWriting();
    }
    buffer_.clear();
}
