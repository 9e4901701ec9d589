#pragma once

#include <QSettings>

// The per-user settings store of the application "蛛迹通". Tests point it
// elsewhere with QStandardPaths::setTestModeEnabled(true).
QSettings OpenAppSettings();
