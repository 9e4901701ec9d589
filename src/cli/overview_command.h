#pragma once

#include <QStringList>

class Console;

// trawlex-cli overview [--recursive] [--log-format FORMAT] [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--jobs N]
//                      [--json | --csv DIR | --html FILE] [--verify [--dns-server A] [--no-cache]] PATH...
int RunOverviewCommand(const QStringList &arguments, Console &console);
