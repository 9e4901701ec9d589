#include "overview/overview_format.h"

#include "overview/site_tables.h"

#include "common/text_rules.h"

#include <QDir>
#include <QLocale>

#include <cmath>

QString DayText(QDate day) { return day.toString(Qt::ISODate); }

QString TimeText(const QDateTime &time)
{
    return time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

QString IsoTimeText(const QDateTime &time)
{
    return time.isValid() ? time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) : QString();
}

QString CountText(qint64 count) { return QLocale(QLocale::English).toString(count); }

QString ByteSizeText(qint64 bytes)
{
    if (bytes < 1024)
        return QString::number(bytes) + QStringLiteral(" B");
    static const char *const kUnits[] = {"KB", "MB", "GB", "TB"};
    double value = double(bytes) / 1024;
    int unit = 0;
    while (value >= 1024 && unit < 3) {
        value /= 1024;
        ++unit;
    }
    return QString::number(value, 'f', value < 10 ? 2 : 1) + u' ' + QLatin1String(kUnits[unit]);
}

QString StatusClassLabel(StatusClass statusClass)
{
    return statusClass == StatusClass::Unknown ? QStringLiteral("未知") : StatusClassKey(statusClass);
}

QString ReportCaption(const OverviewResult &result, const QDateTime &made)
{
    QStringList parts;
    QStringList sources;
    for (const QString &source : result.sources)
        sources.append(QDir::toNativeSeparators(source));
    if (!sources.isEmpty())
        parts.append(sources.join(u'、'));
    if (result.from.isValid() || result.to.isValid())
        parts.append(QStringLiteral("%1 至 %2").arg(result.from.isValid() ? DayText(result.from) : QStringLiteral("最早"),
                                                  result.to.isValid() ? DayText(result.to) : QStringLiteral("最晚")));
    else if (!result.days.isEmpty())
        parts.append(QStringLiteral("%1 至 %2").arg(DayText(result.days.firstKey()), DayText(result.days.lastKey())));
    parts.append(QStringLiteral("生成于 ") + ChineseDateTimeText(made));
    return parts.join(QStringLiteral(" · "));
}

QStringList InputNotes(const OverviewInput &input)
{
    QStringList notes;
    if (!input.skipReason.isEmpty())
        notes.append(input.path + QStringLiteral(" - 已跳过：") + input.skipReason);
    if (input.failed())
        notes.append(input.path + QStringLiteral(" - ") + input.errorText);
    if (input.layoutIgnored)
        notes.append(input.path + QStringLiteral(" - ") + LayoutIgnoredText());
    if (input.noPageColumn)
        notes.append(input.path + QStringLiteral(" - 没有 cs-uri-stem 列"));
    if (input.noAgentField)
        notes.append(input.path + QStringLiteral(" - 没有 User-Agent 字段"));
    if (input.badLines > 0)
        notes.append(input.path + QStringLiteral(" - 无效行 %1 行").arg(input.badLines));
    if (input.skippedLongLines > 0)
        notes.append(input.path + QStringLiteral(" - 过长的行 %1 行已跳过").arg(input.skippedLongLines));
    return notes;
}

int DisplayWidth(const QString &text)
{
    int width = 0;
    for (char32_t c : text.toUcs4()) {
        const bool wide = (c >= 0x1100 && c <= 0x115f) || (c >= 0x2e80 && c <= 0xa4cf) || (c >= 0xac00 && c <= 0xd7a3)
            || (c >= 0xf900 && c <= 0xfaff) || (c >= 0xfe30 && c <= 0xfe4f) || (c >= 0xff00 && c <= 0xff60)
            || (c >= 0xffe0 && c <= 0xffe6) || (c >= 0x20000 && c <= 0x3fffd);
        width += wide ? 2 : 1;
    }
    return width;
}

QString VerificationText(const VerdictCounts &counts, bool raw)
{
    if (counts.total() == 0)
        return {};
    const QString verified = raw ? QString::number(counts.verified)
                                 : QString::number(counts.verified * 100 / counts.total()) + u'%';
    QStringList parts{VerdictWord(Verdict::Verified) + u' ' + verified};
    for (const auto &[verdict, requests] : {std::pair{Verdict::Fake, counts.fake}, std::pair{Verdict::Unknown, counts.unknown},
                                            std::pair{Verdict::Local, counts.local}}) {
        if (raw || requests > 0)
            parts.append(VerdictWord(verdict) + u' ' + (raw ? QString::number(requests) : CountText(requests)));
    }
    return parts.join(QStringLiteral(" · "));
}

QString UnknownReasonsText(const VerdictCounts &counts)
{
    QStringList lines;
    for (auto reason = counts.unknownReasons.cbegin(); reason != counts.unknownReasons.cend(); ++reason)
        lines.append(QStringLiteral("%1：%2 次请求").arg(reason.key(), CountText(reason.value())));
    return lines.isEmpty() ? QString() : VerdictWord(Verdict::Unknown) + QStringLiteral("的原因：\n") + lines.join(u'\n');
}

QStringList VerificationNotes(const VerificationSummary &summary)
{
    QStringList notes;
    if (summary.behindProxy)
        notes.append(ProxyNoteText());
    QStringList ages;
    for (auto list = summary.listAges.cbegin(); list != summary.listAges.cend(); ++list)
        ages.append(list.key() + u' ' + (list.value().isEmpty() ? QStringLiteral("未注明") : list.value()));
    if (!ages.isEmpty())
        notes.append(QStringLiteral("地址列表生成时间：") + ages.join(QStringLiteral("；")));
    QMap<QString, QStringList> unusableByReason;
    for (auto list = summary.unusableLists.cbegin(); list != summary.unusableLists.cend(); ++list)
        unusableByReason[list.value()].append(list.key());
    for (auto reason = unusableByReason.cbegin(); reason != unusableByReason.cend(); ++reason)
        notes.append(reason.value().join(u'、') + QStringLiteral("：") + reason.key());
    return notes;
}

std::optional<double> RequestChange(qint64 before, qint64 now)
{
    if (before == 0)
        return std::nullopt;
    return std::round(1000.0 * double(now - before) / double(before)) / 10.0;
}

QString ChangeText(const std::optional<double> &change)
{
    if (!change)
        return QStringLiteral("—");
    return (*change > 0 ? QStringLiteral("+") : QString()) + QString::number(*change, 'f', 1) + u'%';
}

QString VerificationHeadline(const OverviewResult &result)
{
    if (!result.verification)
        return {};
    if (!result.verification->dnsProblem.isEmpty() && !result.verification->stopped)
        return QStringLiteral("验证：") + result.verification->dnsProblem
            + QStringLiteral("，依反向域名的结论都算作无法验证，本次结果未写入缓存");
    if (result.verification->stopped)
        return QStringLiteral("验证已停止：未查完的地址算作无法验证");
    return {};
}

QStringList RunNotes(const OverviewResult &result)
{
    QStringList notes = result.problems + SiteNotes(result);
    if (result.verification)
        notes += VerificationNotes(*result.verification);
    for (const OverviewInput &input : result.inputs)
        notes += InputNotes(input);
    if (result.stopped)
        notes.append(QStringLiteral("已停止：以上数字只含已读的部分"));
    return notes;
}
