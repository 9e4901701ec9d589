#include "overview/overview_json.h"

#include <QJsonDocument>

QJsonObject OverviewJson(const OverviewResult &) { return {}; }

QByteArray OverviewJsonText(const OverviewResult &result) { return QJsonDocument(OverviewJson(result)).toJson(); }
