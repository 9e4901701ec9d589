#include "common/cp936.h"

#include <QList>

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

#include <memory>
#include <stdexcept>

namespace {

struct ConverterCloser {
    void operator()(UConverter *converter) const { ucnv_close(converter); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

ConverterPtr openConverter()
{
    UErrorCode status = U_ZERO_ERROR;
    ConverterPtr converter(ucnv_open("windows-936", &status));
    if (U_FAILURE(status) || !converter)
        throw std::runtime_error("ICU has no windows-936 converter");
    // One "?" for an unmappable character keeps byte counts at one per character.
    status = U_ZERO_ERROR;
    ucnv_setSubstChars(converter.get(), "?", 1, &status);
    return converter;
}

// ICU converters keep state, so each thread gets its own.
UConverter *threadConverter()
{
    thread_local ConverterPtr converter = openConverter();
    ucnv_reset(converter.get());
    return converter.get();
}

const UChar *utf16(QStringView text) { return reinterpret_cast<const UChar *>(text.utf16()); }

QByteArray fromUnicode(QStringView text, bool stopAtUnmappable, UErrorCode &status)
{
    UConverter *converter = threadConverter();
    const void *oldContext = nullptr;
    UConverterFromUCallback oldAction = nullptr;
    ucnv_setFromUCallBack(converter,
                          stopAtUnmappable ? UCNV_FROM_U_CALLBACK_STOP : UCNV_FROM_U_CALLBACK_SUBSTITUTE,
                          nullptr, &oldAction, &oldContext, &status);
    QByteArray bytes(UCNV_GET_MAX_BYTES_FOR_STRING(text.size(), ucnv_getMaxCharSize(converter)),
                     Qt::Uninitialized);
    const int32_t written = ucnv_fromUChars(converter, bytes.data(), int32_t(bytes.size()),
                                            utf16(text), int32_t(text.size()), &status);
    bytes.resize(U_SUCCESS(status) ? written : 0);
    return bytes;
}

}  // namespace

namespace Cp936 {

QString decode(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return {};
    // Every byte gives at most one UTF-16 unit in code page 936; the second
    // round only runs should ICU ever need more.
    QString text(bytes.size(), Qt::Uninitialized);
    for (int round = 0; round < 2; ++round) {
        UErrorCode status = U_ZERO_ERROR;
        const int32_t written = ucnv_toUChars(threadConverter(),
                                              reinterpret_cast<UChar *>(text.data()),
                                              int32_t(text.size()), bytes.data(),
                                              int32_t(bytes.size()), &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            text.resize(written);
            continue;
        }
        text.resize(U_FAILURE(status) ? 0 : written);
        break;
    }
    return text;
}

QByteArray encode(QStringView text, bool *lossless)
{
    UErrorCode status = U_ZERO_ERROR;
    QByteArray bytes = fromUnicode(text, true, status);
    // ICU drops some characters (U+FEFF among them) without an error; only
    // reading the bytes back tells that nothing was lost.
    const bool exact = U_SUCCESS(status) && decode(bytes) == text;
    if (!exact) {
        status = U_ZERO_ERROR;
        bytes = fromUnicode(text, false, status);
    }
    if (lossless)
        *lossless = exact;
    return bytes;
}

qsizetype byteLength(QStringView text)
{
    bool lossless = true;
    const QByteArray bytes = encode(text, &lossless);
    if (lossless)
        return bytes.size();
    // Character by character: one without a code page 936 form counts 1.
    qsizetype length = 0;
    for (const char32_t character : text.toUcs4()) {
        const QByteArray one = encode(QChar::fromUcs4(character), &lossless);
        length += lossless ? one.size() : 1;
    }
    return length;
}

}  // namespace Cp936
