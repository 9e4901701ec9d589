#pragma once

#include <QString>

// True only when a folder exists at the path; false for "", for a file and on
// any failure. A relative path is resolved against the current folder.
bool CheckFolderExists(const QString &path);
