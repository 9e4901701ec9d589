#pragma once

#include <QByteArray>
#include <QString>

// Writes the bytes to `path` atomically: the file is either the old one or
// the new one, never half written. Empty on success, else what went wrong, in
// Chinese, naming the file.
QString SaveFileAtomically(const QString &path, const QByteArray &bytes);
