#pragma once

#include <QCommandLineOption>
#include <QString>
#include <QStringList>

class Console;
class QCommandLineParser;

// --store and --site, shared by `import`, `trend` and `overview --store`.
struct StoreCommandLine
{
    QCommandLineOption store{QStringLiteral("store"), QStringLiteral("站点存储文件 / the site's store file"),
                             QStringLiteral("FILE")};
    QCommandLineOption site{QStringLiteral("site"),
                            QStringLiteral("站点名，存储为用户数据文件夹里的 NAME.sqlite / site name: its store in the user data folder"),
                            QStringLiteral("NAME")};

    void addTo(QCommandLineParser &parser) const;
    bool isSet(const QCommandLineParser &parser) const;
    // The store the options name; empty when none (or both) is given.
    QString path(const QCommandLineParser &parser) const;
};

// trawlex-cli import (--store FILE | --site NAME) [--recursive] [--log-format FMT] [--jobs N] [--keep-days N] PATH...
int RunImportCommand(const QStringList &arguments, Console &console);

// trawlex-cli trend (--store FILE | --site NAME) [--agent ID]... [--by day|week|month] [--json | --csv]
int RunTrendCommand(const QStringList &arguments, Console &console);
