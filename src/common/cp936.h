#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Code page 936 (GBK), the ANSI code page of the systems the program serves,
// converted through ICU's "windows-936" table. Safe to use from any thread.
namespace Cp936 {

// Invalid or unassigned byte sequences become U+FFFD; nothing is dropped.
QString decode(QByteArrayView bytes);

// A character with no code page 936 form becomes "?"; *lossless (when given)
// tells whether that happened.
QByteArray encode(QStringView text, bool *lossless = nullptr);

// Bytes the text takes in code page 936; a character without a code page 936
// form counts 1.
qsizetype byteLength(QStringView text);

}  // namespace Cp936
