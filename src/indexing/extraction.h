#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QtGlobal>

#include <optional>

// Cutting counts and ranks out of result pages by fixed marker strings:
// the ten built-in routines, by their service's name. Pure functions telling
// a missing number from a real 0: nothing when a marker is missing or the
// text there is no number. Markers are found with letter case ignored;
// counts and ranks are 64-bit, so today's large sites are reported right.
using BuiltinExtractor = std::optional<qint64> (*)(const QString &page);

// The routine by its service's name ("baidu", "google", … "alexa"); null for
// any other name.
BuiltinExtractor FindBuiltinExtractor(QStringView name);
QStringList BuiltinExtractorNames();

// A page count as report text, right-aligned in a field of 10 code page 936
// bytes: 123456 gives two spaces, "12万3456" and "篇". A text longer than the
// field gets no leading spaces.
QString 加万字(qint64 count);

// Bytes of the text in code page 936; a character without a code page 936
// form counts 1.
qsizetype AnsiByteLength(QStringView text);
