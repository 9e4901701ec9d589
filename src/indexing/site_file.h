#pragma once

#include "indexing/site_list.h"

#include <QByteArray>
#include <QString>

// The site file "lv.txt": an empty first line, then one line per entry,
// Url|Name|True or False, lines separated by CR LF, no line end after the
// last. Code page 936; a list holding a character that code page 936 cannot
// hold is written as UTF-8 with a byte-order mark, and such a file is read
// as UTF-8.

// Reading skips lines without exactly three fields, empty addresses and
// addresses seen before (letter case ignored). The third field: "True" and
// "False" (any letter case), a number (true unless zero), anything else true.
SiteList ParseSiteFile(const QByteArray &bytes);
QByteArray SerializeSiteFile(const SiteList &list);

// A missing or unreadable file gives an empty list.
SiteList LoadSiteFile(const QString &path);

struct SiteFileSave
{
    bool ok = false;
    QString errorText;  // why the old file was kept, for a message box
};

// Atomic: a failed save leaves the old file whole.
SiteFileSave SaveSiteFile(const SiteList &list, const QString &path);

// "lv.txt" in the application folder when that folder is writable (a
// portable install), otherwise in the per-user data folder.
QString SiteFilePath();
