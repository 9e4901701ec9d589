#pragma once

#include <QString>
#include <QStringList>

// A site the overview window remembers: where its logs are, how they are
// written, and its store.
struct Site
{
    QString name;
    QString folder;
    bool recursive = false;
    QString logFormat;  // empty: detect per file
    QString storePath;  // by default DefaultStorePath(name)
};

// The sites in the settings group "站点", by name.
QStringList SiteNames();
Site LoadSite(const QString &name);
void SaveSite(const Site &site);
// Forgets the site; its store file stays where it is.
void RemoveSite(const QString &name);
