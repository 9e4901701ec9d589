#include "logs/log_text.h"

#include "common/cp936.h"
#include "common/utf8.h"

#include <QStringDecoder>

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
    case TextEncoding::Utf8: {
        // A U+FEFF inside a line is a character; fromUtf8() would drop it
        // where a piece of a line begins with one.
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        return decoder.decode(bytes);
    }
    case TextEncoding::Cp936:
        break;
    }
    return Cp936::decode(bytes);
}
