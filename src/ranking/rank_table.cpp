#include "ranking/rank_table.h"

#include "common/cp936.h"
#include "common/csv_file.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {

using State = RankCell::State;

// Sorting puts ranks first, then not found, then failures, then the unasked.
RankTableCell engineCell(const RankCell &cell, int depth)
{
    switch (cell.state) {
    case State::Found:
        return {QString::number(cell.rank), cell.url, cell.rank};
    case State::NotFound:
        return {BeyondDepthText(depth), {}, depth + 1};
    case State::Failed:
        return {kQueryFailed, kQueryFailed + QStringLiteral("：") + cell.failure, depth + 2};
    case State::Unasked:
        break;
    }
    return {{}, {}, depth + 3};
}

// Sorting puts the best gains first.
RankTableCell changeCell(const RankCell &before, const RankCell &now)
{
    const QString text = RankChangeText(before, now);
    if (text.isEmpty())
        return {};
    constexpr int kEntered = 1000;
    const int gain = now.state == State::NotFound ? -kEntered
                     : before.state == State::NotFound ? kEntered
                                                       : before.rank - now.rank;
    return {text, before.state == State::Found ? QStringLiteral("上次：第 %1 名").arg(before.rank) : QString(), gain};
}

QString padded(const QString &text, qsizetype width)
{
    // The indexing report's measure: bytes in code page 936, a Chinese character two.
    return text + QString(std::max<qsizetype>(0, width - Cp936::byteLength(text)), u' ');
}

}  // namespace

QString BeyondDepthText(int depth) { return QStringLiteral("%1名以外").arg(depth); }

QString RankChangeText(const RankCell &before, const RankCell &now)
{
    const auto answered = [](const RankCell &cell) { return cell.state == State::Found || cell.state == State::NotFound; };
    if (!answered(before) || !answered(now) || (before.state == State::NotFound && now.state == State::NotFound))
        return {};
    if (before.state == State::NotFound)
        return QStringLiteral("新进");
    if (now.state == State::NotFound)
        return QStringLiteral("跌出");
    if (now.rank == before.rank)
        return QStringLiteral("持平");
    return now.rank < before.rank ? QStringLiteral("↑%1").arg(before.rank - now.rank)
                                  : QStringLiteral("↓%1").arg(now.rank - before.rank);
}

QList<RankColumn> RankTableColumns(const RankResults &results)
{
    QList<RankColumn> columns{{QStringLiteral("关键词"), -1, false, [](const RankResults &all, int keyword) {
                                   return RankTableCell{all.request.keywords[keyword], {}, {}};
                               }}};
    for (int engine = 0; engine < results.request.engines.size(); ++engine) {
        const QString label = results.request.engines[engine].label.trimmed();
        columns.append({label, engine, false, [engine](const RankResults &all, int keyword) {
                            return engineCell(all.cells[keyword][engine], all.request.depth);
                        }});
        if (!results.previous.isEmpty())
            columns.append({label + QStringLiteral("变化"), engine, true, [engine](const RankResults &all, int keyword) {
                                return changeCell(all.previous[keyword][engine], all.cells[keyword][engine]);
                            }});
    }
    return columns;
}

QString RankReportText(const RankResults &results)
{
    const QList<RankColumn> columns = RankTableColumns(results);
    QList<QStringList> rows{{}};
    for (const RankColumn &column : columns)
        rows[0].append(column.header);
    for (int keyword = 0; keyword < results.request.keywords.size(); ++keyword) {
        QStringList row;
        for (const RankColumn &column : columns)
            row.append(column.cell(results, keyword).text);
        rows.append(row);
    }
    QList<qsizetype> widths(columns.size(), 0);
    for (const QStringList &row : std::as_const(rows))
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], Cp936::byteLength(row[i]));

    QString text;
    for (const QStringList &row : std::as_const(rows)) {
        QString line;
        for (qsizetype i = 0; i < row.size(); ++i)
            line += i + 1 < row.size() ? padded(row[i], widths[i] + 2) : row[i];
        while (line.endsWith(u' '))  // a row that ends in cells not asked
            line.chop(1);
        text += line + QStringLiteral("\r\n");
    }
    return text + RankReportNotes(results);
}

QString RankReportNotes(const RankResults &results)
{
    QString text;
    for (int keyword = 0; keyword < results.request.keywords.size(); ++keyword)
        for (int engine = 0; engine < results.request.engines.size(); ++engine)
            if (const RankCell &cell = results.cells[keyword][engine]; cell.state == State::Failed)
                text += QStringLiteral("%1：%2 / %3：%4\r\n")
                            .arg(kQueryFailed, results.request.keywords[keyword],
                                 results.request.engines[engine].caption, cell.failure);
    if (results.stopped)
        text += QStringLiteral("分析已停止。\r\n");
    return text;
}

QByteArray RankResultsJson(const RankResults &results)
{
    const QList<RankColumn> columns = RankTableColumns(results);
    QJsonArray entries;
    for (int keyword = 0; keyword < results.request.keywords.size(); ++keyword)
        for (const RankColumn &column : columns) {
            if (column.engine < 0 || column.change)
                continue;
            const RankCell &cell = results.cells[keyword][column.engine];
            if (cell.state == State::Unasked)
                continue;
            const bool found = cell.state == State::Found;
            QJsonObject entry{
                {QStringLiteral("keyword"), results.request.keywords[keyword]},
                {QStringLiteral("engine"), results.request.engines[column.engine].key},
                {QStringLiteral("rank"), found ? QJsonValue(cell.rank) : QJsonValue()},
                {QStringLiteral("url"), found ? QJsonValue(cell.url) : QJsonValue()},
                {QStringLiteral("error"), cell.state == State::Failed ? QJsonValue(cell.failure) : QJsonValue()},
            };
            if (!results.previous.isEmpty()) {
                const QString change = RankChangeText(results.previous[keyword][column.engine], cell);
                entry.insert(QStringLiteral("change"), change.isEmpty() ? QJsonValue() : QJsonValue(change));
            }
            entries.append(entry);
        }
    const QJsonObject document{
        {QStringLiteral("site"), results.request.site},
        {QStringLiteral("depth"), results.request.depth},
        {QStringLiteral("subdomains"), results.request.subdomains},
        {QStringLiteral("stopped"), results.stopped},
        {QStringLiteral("results"), entries},
    };
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

QString WriteRankCsv(const RankResults &results, const QString &path)
{
    const QList<RankColumn> columns = RankTableColumns(results);
    CsvFile csv(path);
    QStringList headers;
    for (const RankColumn &column : columns)
        headers.append(column.header);
    csv.row(headers);
    for (int keyword = 0; keyword < results.request.keywords.size(); ++keyword) {
        QStringList row;
        for (const RankColumn &column : columns)
            row.append(column.cell(results, keyword).text);
        csv.row(row);
    }
    return csv.finish();
}
