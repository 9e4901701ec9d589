#pragma once

#include <QByteArrayView>
#include <QString>

// How the bytes of one log line are read. IIS writes UTF-8 by default since
// version 7, older servers wrote the ANSI code page: a line that is valid
// UTF-8 is read as UTF-8, any other line as code page 936.
enum class TextEncoding { Ascii, Utf8, Cp936 };

TextEncoding DetectLineEncoding(QByteArrayView line);

// Decodes bytes taken from a line of the given encoding. A piece of a line
// cut at spaces decodes as it reads inside the whole line.
QString DecodeLogText(QByteArrayView bytes, TextEncoding lineEncoding);

inline QString DecodeLogLine(QByteArrayView line)
{
    return DecodeLogText(line, DetectLineEncoding(line));
}
