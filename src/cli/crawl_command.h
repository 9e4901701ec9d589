#pragma once

#include <QStringList>

class Console;

// trawlex-cli crawl (--spider NAME | --token TOKEN) [--jobs N] [--json] [--recursive] [--log-format STRING] PATH...
int RunCrawlCommand(const QStringList &arguments, Console &console);

// trawlex-cli spiders
int RunSpidersCommand(Console &console);
