#include "overview/overview_text.h"

QString OverviewTextTable(const OverviewResult &) { return {}; }
