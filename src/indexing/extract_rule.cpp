#include "indexing/extract_rule.h"

#include "indexing/numeric_text.h"

#include <QLocale>

#include <cmath>

namespace {

// "1.5" as a double; digits and one point only.
std::optional<double> decimalValue(QStringView text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    return ok && value >= 0 ? std::optional<double>(value) : std::nullopt;
}

std::optional<qint64> plainNumber(QStringView text)
{
    const std::optional<NumericText> number = ParseNumericText(text.trimmed());
    return number ? number->rounded : std::nullopt;
}

QString quoted(const QString &text) { return u'「' + text + u'」'; }

}  // namespace

std::optional<qint64> ParseNumberWithUnits(QStringView text)
{
    struct Unit
    {
        QChar sign;
        double factor;
    };
    double total = 0;
    bool any = false;
    QStringView rest = text.trimmed();
    for (const Unit unit : {Unit{u'亿', 1e8}, Unit{u'万', 1e4}}) {
        const qsizetype at = rest.indexOf(unit.sign);
        if (at < 0)
            continue;
        const std::optional<double> part = decimalValue(rest.left(at));
        if (!part)
            return std::nullopt;
        total += *part * unit.factor;
        rest = rest.mid(at + 1).trimmed();
        any = true;
    }
    if (!any)
        return plainNumber(rest);
    if (!rest.isEmpty()) {
        const std::optional<qint64> units = plainNumber(rest);
        if (!units)
            return std::nullopt;
        total += double(*units);
    }
    // 2^63 and beyond does not fit; doubles hold every count below 2^53 exactly.
    if (total >= 9.2e18)
        return std::nullopt;
    return std::llround(total);
}

RuleCut ApplyExtractRule(const ExtractRule &rule, const QString &page)
{
    RuleCut result;
    if (rule.builtin) {
        result.value = rule.builtin(page);
        return result;
    }
    if (!rule.before.isEmpty() || !rule.after.isEmpty()) {
        const qsizetype start = page.indexOf(rule.before, 0, Qt::CaseInsensitive);
        if (start < 0) {
            result.failure = QStringLiteral("页面上没有 before 标记") + quoted(rule.before);
            return result;
        }
        const qsizetype from = start + rule.before.size();
        const qsizetype end = page.indexOf(rule.after, from, Qt::CaseInsensitive);
        if (end < 0) {
            result.failure = QStringLiteral("before 标记之后没有 after 标记") + quoted(rule.after);
            return result;
        }
        result.cut = page.mid(from, end - from).trimmed();
    } else {
        const QRegularExpressionMatch match = rule.regex.match(page);
        if (!match.hasMatch()) {
            result.failure = QStringLiteral("正则表达式在页面上没有匹配");
            return result;
        }
        result.cut = match.captured(1).trimmed();
    }
    QString number = result.cut;
    for (const QChar separator : rule.separators)
        number.remove(separator);
    result.value = rule.multiply ? ParseNumberWithUnits(number) : plainNumber(number);
    if (!result.value)
        result.failure = QStringLiteral("截取的文字") + quoted(result.cut) + QStringLiteral("不是数字");
    return result;
}
