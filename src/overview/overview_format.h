#pragma once

#include "overview/overview_result.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

// How the overview's writers (and the window) show values, in one place.

QString DayText(QDate day);                     // "2015-01-01"
QString TimeText(const QDateTime &time);        // "2015-01-01 00:00:01", for people; empty when invalid
QString IsoTimeText(const QDateTime &time);     // "2015-01-01T00:00:01", for JSON; empty when invalid
QString CountText(qint64 count);                // "1,234,567"
QString ByteSizeText(qint64 bytes);             // "512 B", "1.5 KB", "3.20 MB", "1.07 GB"
QString StatusClassLabel(StatusClass statusClass);  // "2xx" ... "未知"

// What a report or an exported chart shows: the folders read, the dates
// ("2015-01-01 至 2015-01-28": the range asked for, else the days seen) and
// when it was made ("生成于 2026年12月8日 12:39:43"), joined by " · ".
QString ReportCaption(const OverviewResult &result, const QDateTime &made);

// The report lines an input gets besides its figures: skipped, could not be
// read to its end, bad lines, lines too long, no page column. Empty when none.
QStringList InputNotes(const OverviewInput &input);

// The crawler check of one agent: "已验证 98% · 仿冒 30" for people (the
// other verdicts when there are any), every count in full when `raw`.
QString VerificationText(const VerdictCounts &counts, bool raw = false);

// What a report says about the check besides its figures: the proxy note,
// how old each address list is, the lists that could not be used.
QStringList VerificationNotes(const VerificationSummary &summary);

// Why an agent's requests are 无法验证, a line per reason with its requests;
// empty when none are.
QString UnknownReasonsText(const VerdictCounts &counts);
// The change from `before` to `now` requests in percent, rounded to one
// decimal; none when `before` is 0 (nothing to compare with).
std::optional<double> RequestChange(qint64 before, qint64 now);
// "+12.5%", "-3.0%"; "—" when there is no change to give.
QString ChangeText(const std::optional<double> &change);

// What a report puts above everything when the check's figures cannot be
// taken as they are: its DNS answers were not trusted, or it was stopped.
// Empty otherwise.
QString VerificationHeadline(const OverviewResult &result);

// Every note of a run besides its figures, for every output: the run's
// problems, the sitemap's and robots.txt's, the check's notes, each input's
// notes, the stop.
QStringList RunNotes(const OverviewResult &result);

// Columns a text takes in a fixed-width font: East Asian wide characters two.
int DisplayWidth(const QString &text);
