#pragma once

#include <QStringList>

class Console;

// trawlex-cli index [--sites FILE] [--services LIST] [--base KEY=URL]... [--services-file FILE]
//                   [--save-pages DIR] [--json]
// Exit status 1 when any query failed (the whole report is printed).
int RunIndexCommand(const QStringList &arguments, Console &console);
