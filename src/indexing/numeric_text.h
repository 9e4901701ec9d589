#pragma once

#include <QStringView>
#include <QtGlobal>

#include <optional>

// The numeric texts the result pages and "lv.txt" hold: spaces around, an
// optional sign, digits with "," between digits, an optional decimal
// fraction. Nothing else is numeric (empty text included).
struct NumericText
{
    bool negative = false;
    bool zero = true;  // every digit is 0
    // The value rounded to a whole number, halves to the even neighbour;
    // nothing when it does not fit 64 bits.
    std::optional<qint64> rounded;
};

std::optional<NumericText> ParseNumericText(QStringView text);

