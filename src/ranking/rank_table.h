#pragma once

#include "ranking/rank_run.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

#include <functional>

// One cell as the table shows it.
struct RankTableCell
{
    QString text;     // "3", "50名以外", "查询失败"; empty when not asked
    QString toolTip;  // the URL found, or "查询失败：" and why
    QVariant sortKey;
};

// The columns of the rank table: the keyword, then one per engine, each
// followed by its change since the run before when the run was kept in a
// site's store. The text report, the CSV file, the JSON and the window all
// take them from here.
struct RankColumn
{
    QString header;  // "关键词", the engine's label without spaces around it, or that label and "变化"
    int engine = -1;  // index into the request's engines; -1 for the keyword
    bool change = false;  // the change column of `engine`
    std::function<RankTableCell(const RankResults &results, int keyword)> cell;
};

QList<RankColumn> RankTableColumns(const RankResults &results);

// What a not-found cell reads: "50名以外".
QString BeyondDepthText(int depth);

// From the answer before to this one: "↑3" (three places higher), "↓2",
// "持平", "新进" (now ranked, before not), "跌出"; empty when either did not
// answer or neither ranked.
QString RankChangeText(const RankCell &before, const RankCell &now);

// The aligned text report: a row per keyword, columns padded by display
// width (a Chinese character takes two), then the notes below. Lines end in
// CR LF.
QString RankReportText(const RankResults &results);
// The failed queries with their reasons, then "分析已停止。" when the run
// was stopped.
QString RankReportNotes(const RankResults &results);

// {"site", "depth", "subdomains", "stopped", "results": [{"keyword", "engine",
// "rank", "url", "error"}]}: an entry per keyword and engine that answered,
// in keyword order, then engine order; with "change" (RankChangeText, null
// when empty) when the run was kept in a site's store.
QByteArray RankResultsJson(const RankResults &results);

// The table as CSV (a row per keyword, a column per engine), saved
// atomically. Empty on success, else why not, in Chinese.
QString WriteRankCsv(const RankResults &results, const QString &path);
