#pragma once

#include <QStringList>

class Console;

// trawlex-cli crawl (--spider NAME | --token TOKEN) [--jobs N] [--json] [--recursive] [--log-format FORMAT] PATH...
// Ctrl+C stops the run: the partial report ends with "分析已停止。", exit 130.
int RunCrawlCommand(const QStringList &arguments, Console &console);

// trawlex-cli spiders
int RunSpidersCommand(const QStringList &arguments, Console &console);
