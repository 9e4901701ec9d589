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

QString padded(const QString &text, qsizetype width)
{
    // The indexing report's measure: bytes in code page 936, a Chinese character two.
    return text + QString(std::max<qsizetype>(0, width - Cp936::byteLength(text)), u' ');
}

}  // namespace

QString BeyondDepthText(int depth) { return QStringLiteral("%1名以外").arg(depth); }

QList<RankColumn> RankTableColumns(const RankResults &results)
{
    QList<RankColumn> columns{{QStringLiteral("关键词"), -1, [](const RankResults &all, int keyword) {
                                   return RankTableCell{all.request.keywords[keyword], {}, {}};
                               }}};
    for (int engine = 0; engine < results.request.engines.size(); ++engine)
        columns.append({results.request.engines[engine].label.trimmed(), engine, [engine](const RankResults &all, int keyword) {
                            return engineCell(all.cells[keyword][engine], all.request.depth);
                        }});
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
            if (column.engine < 0)
                continue;
            const RankCell &cell = results.cells[keyword][column.engine];
            if (cell.state == State::Unasked)
                continue;
            const bool found = cell.state == State::Found;
            entries.append(QJsonObject{
                {QStringLiteral("keyword"), results.request.keywords[keyword]},
                {QStringLiteral("engine"), results.request.engines[column.engine].key},
                {QStringLiteral("rank"), found ? QJsonValue(cell.rank) : QJsonValue()},
                {QStringLiteral("url"), found ? QJsonValue(cell.url) : QJsonValue()},
                {QStringLiteral("error"), cell.state == State::Failed ? QJsonValue(cell.failure) : QJsonValue()},
            });
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
