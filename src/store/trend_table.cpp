#include "store/trend_table.h"

#include "common/csv_file.h"
#include "overview/overview_format.h"
#include "overview/overview_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

using Shown = TrendColumn::Shown;

TrendColumn CountColumn(const QString &header, const QString &key, qint64 TrendPoint::*figure)
{
    return {header, key, true,
            [figure](const TrendPoint &point, Shown shown) {
                return shown == Shown::ForPeople ? CountText(point.*figure) : QString::number(point.*figure);
            },
            [figure](const TrendPoint &point) { return QJsonValue(point.*figure); }};
}

}  // namespace

const QList<TrendColumn> &TrendColumns()
{
    static const QList<TrendColumn> columns = {
        {QStringLiteral("开始"), QStringLiteral("start"), false,
         [](const TrendPoint &point, Shown) { return DayText(point.start); },
         [](const TrendPoint &point) { return QJsonValue(DayText(point.start)); }},
        CountColumn(QStringLiteral("请求数"), QStringLiteral("requests"), &TrendPoint::requests),
        CountColumn(QStringLiteral("页面数"), QStringLiteral("pages"), &TrendPoint::pages),
        CountColumn(QStringLiteral("有效页面"), QStringLiteral("valid_pages"), &TrendPoint::validPages),
        CountColumn(QStringLiteral("4xx"), QStringLiteral("4xx"), &TrendPoint::clientErrors),
        CountColumn(QStringLiteral("5xx"), QStringLiteral("5xx"), &TrendPoint::serverErrors),
        {QStringLiteral("流量"), QStringLiteral("bytes"), true,
         [](const TrendPoint &point, Shown shown) {
             return shown == Shown::ForPeople ? ByteSizeText(point.bytes) : QString::number(point.bytes);
         },
         [](const TrendPoint &point) { return QJsonValue(point.bytes); }},
        {QStringLiteral("变化"), QStringLiteral("change"), true,
         [](const TrendPoint &point, Shown shown) {
             if (shown == Shown::ForPeople)
                 return ChangeText(point.change);
             return point.change ? QString::number(*point.change, 'f', 1) : QString();
         },
         [](const TrendPoint &point) { return point.change ? QJsonValue(*point.change) : QJsonValue(); }},
    };
    return columns;
}

QString TrendText(const TrendResult &result)
{
    QStringList headers;
    QList<bool> numeric;
    for (const TrendColumn &column : TrendColumns()) {
        headers.append(column.header);
        numeric.append(column.numeric);
    }
    QString text;
    for (const TrendAgent &agent : result.agents) {
        QList<QStringList> rows;
        for (const TrendPoint &point : agent.periods) {
            QStringList row;
            for (const TrendColumn &column : TrendColumns())
                row.append(column.value(point, Shown::ForPeople));
            rows.append(row);
        }
        text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + agent.name + QStringLiteral("（") + agent.id
                + QStringLiteral("）\n") + FixedWidthTable(headers, numeric, rows);
    }
    return text;
}

QString TrendCsv(const TrendResult &result)
{
    QStringList headers{QStringLiteral("ID")};
    for (const TrendColumn &column : TrendColumns())
        headers.append(column.header);
    QString text = CsvRow(headers) + QStringLiteral("\r\n");
    for (const TrendAgent &agent : result.agents)
        for (const TrendPoint &point : agent.periods) {
            QStringList row{agent.id};
            for (const TrendColumn &column : TrendColumns())
                row.append(column.value(point, Shown::Raw));
            text += CsvRow(row) + QStringLiteral("\r\n");
        }
    return text;
}

QByteArray TrendJson(const TrendResult &result)
{
    QJsonArray agents;
    for (const TrendAgent &agent : result.agents) {
        QJsonArray periods;
        for (const TrendPoint &point : agent.periods) {
            QJsonObject period;
            for (const TrendColumn &column : TrendColumns())
                period.insert(column.key, column.json(point));
            periods.append(period);
        }
        agents.append(QJsonObject{{QStringLiteral("id"), agent.id}, {QStringLiteral("periods"), periods}});
    }
    const QJsonObject root{{QStringLiteral("by"), TrendPeriodKey(result.by)}, {QStringLiteral("agents"), agents}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}
