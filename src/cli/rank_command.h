#pragma once

#include <QString>
#include <QStringList>

class Console;
struct SerpService;

// trawlex-cli rank --site ADDRESS --keywords FILE [--services LIST] [--depth N] [--subdomains]
//                  [--delay S] [--services-file FILE] [--save-pages DIR] [--json | --csv FILE]
// Exit status 0 when every query answered, 1 when any failed (the report is
// still whole), 2 for a usage error, 130 after Ctrl+C (the partial results).
int RunRankCommand(const QStringList &arguments, Console &console);

// One keyword on one engine, told page by page, for services --test: the
// URLs asked, each page's status and size, the results cut out, the rank.
// Exit status 0 when the query answered (found or not), 1 when it failed.
int TestSerpEngine(const SerpService &engine, const QString &keyword, const QString &site, Console &console);
