#pragma once

#include <QByteArrayView>

namespace Utf8 {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValid(QByteArrayView bytes);

bool isAscii(QByteArrayView bytes);

}  // namespace Utf8
