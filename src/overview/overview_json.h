#pragma once

#include "overview/overview_result.h"

#include <QByteArray>
#include <QJsonObject>

// The overview in the JSON shape of docs/overview-json.md.
QJsonObject OverviewJson(const OverviewResult &result);
QByteArray OverviewJsonText(const OverviewResult &result);
