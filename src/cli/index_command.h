#pragma once

#include <QStringList>

class Console;

// trawlex-cli index [--sites FILE] [--services LIST] [--base KEY=URL]...
int RunIndexCommand(const QStringList &arguments, Console &console);
