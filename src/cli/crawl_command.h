#pragma once

#include <QStringList>

class Console;

// trawlex-cli crawl (--spider NAME | --token TOKEN) [--jobs N] [--json] FOLDER
int RunCrawlCommand(const QStringList &arguments, Console &console);

// trawlex-cli spiders
int RunSpidersCommand(Console &console);
