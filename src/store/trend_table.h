#pragma once

#include "store/trend.h"

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <functional>

// The columns of the trend table, the same for the text table, the CSV, the
// JSON and the window.
struct TrendColumn
{
    enum class Shown { ForPeople, Raw };

    QString header;  // "请求数", in the text table, the CSV and the window
    QString key;     // "requests", in the JSON
    bool numeric = true;
    std::function<QString(const TrendPoint &point, Shown shown)> value;
    std::function<QJsonValue(const TrendPoint &point)> json;
};

const QList<TrendColumn> &TrendColumns();

// One table per agent under its name, for people.
QString TrendText(const TrendResult &result);
// One row per agent and period, the agent's id first; raw figures, lines end in "\r\n".
QString TrendCsv(const TrendResult &result);
// {"by": "week", "agents": [{"id": ..., "periods": [{"start": ..., "requests": ..., ...}]}]}
QByteArray TrendJson(const TrendResult &result);
