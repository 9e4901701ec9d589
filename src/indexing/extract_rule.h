#pragma once

#include "indexing/extraction.h"

#include <QRegularExpression>
#include <QString>
#include <QStringView>

#include <optional>

// How a service's number is cut out of its result page: one of the ten
// built-in routines, or a rule a user writes: the text between two markers,
// or the one capture group of a regular expression.
struct ExtractRule
{
    BuiltinExtractor builtin = nullptr;
    QString builtinName;  // "baidu", … as written in a definition

    QString before;  // markers around the number (letter case ignored)
    QString after;
    QRegularExpression regex;  // used when there are no markers

    bool multiply = false;                     // 万 ×10⁴, 亿 ×10⁸ ("1亿2345万")
    QString separators = QStringLiteral(",");  // characters dropped from the number
};

struct RuleCut
{
    std::optional<qint64> value;
    QString cut;      // what the rule cut out (nothing for a built-in routine)
    QString failure;  // why there is no value, when the rule can tell
};

RuleCut ApplyExtractRule(const ExtractRule &rule, const QString &page);

// A number written with the units 亿 and 万: "1亿2345万" is 123450000,
// "1.5万" 15000, "3万4567" 34567; a plain number stands for itself. Nothing
// when the text is no such number or leaves 64 bits.
std::optional<qint64> ParseNumberWithUnits(QStringView text);
