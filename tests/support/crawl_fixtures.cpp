#include "support/crawl_fixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray LogHeader()
{
    return "#Software: Microsoft Internet Information Services 6.0\r\n#Version: 1.0\r\n"
           "#Date: 2008-05-01 00:00:00\r\n"
           "#Fields: date time s-ip cs-method cs-uri-stem cs-uri-query s-port c-ip cs(User-Agent) sc-status\r\n";
}

QByteArray LogLine(const QByteArray &path, const QByteArray &agent)
{
    return "2008-05-01 00:01:02 10.0.0.1 GET " + path + " - 80 220.181.7.1 " + agent + " 200\r\n";
}

QStringList RecordingRunOutput::lines() const
{
    QStringList lines = text_.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}
