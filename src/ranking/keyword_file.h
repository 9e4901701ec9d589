#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The keyword file "gjc.txt": one keyword a line, UTF-8 (a byte-order mark
// is read and not written), lines separated by CR LF. Reading trims each
// line and skips empty lines and repeats.
QStringList ParseKeywords(const QByteArray &bytes);
QStringList ParseKeywords(const QString &text);
QByteArray SerializeKeywords(const QStringList &keywords);

// A missing file gives no keywords and no fault; `fault`, when given, says
// why an existing file could not be read.
QStringList LoadKeywordFile(const QString &path, QString *fault = nullptr);

// Atomic: a failed save leaves the old file whole. Empty on success, else
// why not, in Chinese.
QString SaveKeywordFile(const QStringList &keywords, const QString &path);

// "gjc.txt" beside the site file "lv.txt".
QString KeywordFilePath();
