#include "common/app_settings.h"

#include "common/app_identity.h"

QSettings OpenAppSettings() { return QSettings(AppIdentity::title(), AppIdentity::title()); }
