#pragma once

#include "indexing/site_list.h"

#include <QByteArray>
#include <QString>

// The site file "lv.txt": an empty first line, then one line per entry,
// Url|Name|True or False, lines separated by CR LF, no line end after the
// last. Code page 936, as the program writes it. A file that another editor
// saved in UTF-8 (one starting with a byte-order mark, or valid UTF-8 with
// bytes above 0x7F) is read as UTF-8 and written back as it came. A list
// holding a character that code page 936 cannot hold is written as UTF-8
// with a byte-order mark.
enum class SiteFileEncoding { Cp936, Utf8, Utf8WithMark };

// Reading skips lines without exactly three fields, empty addresses and
// addresses seen before (letter case ignored). The third field: "True" and
// "False" (any letter case), a number (true unless zero), anything else true.
// `encoding`, when given, receives the file's encoding for writing it back.
SiteList ParseSiteFile(const QByteArray &bytes, SiteFileEncoding *encoding = nullptr);
QByteArray SerializeSiteFile(const SiteList &list, SiteFileEncoding encoding = SiteFileEncoding::Cp936);

// A missing or unreadable file gives an empty list (in code page 936).
SiteList LoadSiteFile(const QString &path, SiteFileEncoding *encoding = nullptr);

struct SiteFileSave
{
    bool ok = false;
    QString errorText;  // why the old file was kept, for a message box
};

// Atomic: a failed save leaves the old file whole.
SiteFileSave SaveSiteFile(const SiteList &list, const QString &path,
                          SiteFileEncoding encoding = SiteFileEncoding::Cp936);

// "lv.txt" in the application folder when that folder is writable (a
// portable install), otherwise in the per-user data folder.
QString SiteFilePath();
