#include "crawl_log/log_text.h"

#include "common/cp936.h"
#include "common/utf8.h"

TextEncoding DetectLineEncoding(QByteArrayView line)
{
    if (Utf8::isAscii(line))
        return TextEncoding::Ascii;
    return Utf8::isValid(line) ? TextEncoding::Utf8 : TextEncoding::Cp936;
}

QString DecodeLogText(QByteArrayView bytes, TextEncoding lineEncoding)
{
    switch (lineEncoding) {
    case TextEncoding::Ascii:
        return QString::fromLatin1(bytes);
    case TextEncoding::Utf8:
        return QString::fromUtf8(bytes);
    case TextEncoding::Cp936:
        break;
    }
    return Cp936::decode(bytes);
}
