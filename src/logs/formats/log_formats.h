#pragma once

#include "logs/formats/json_layout.h"
#include "logs/log_layout.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class RecordParser;

// A W3C extended log that is not IIS's, told by a column IIS never writes.
struct W3cDialect
{
    QString name;
    QByteArray marker;          // a "#Fields:" name, lower case ("x-edge-request-id")
    bool percentAgent = false;  // the user agent is percent-encoded ("Mozilla/5.0%20(…)")
    bool keepCase = false;      // pages differ by letter case, as on most servers but IIS
};

// A log format kept as data: the built-in ones in the resources
// (formats.json), a user's in formats.json beside the settings file.
struct LogFormatDefinition
{
    enum class Kind : quint8 { Layout, Json, W3c };

    QString name;    // "aliyun-cdn": --log-format, and an input's "format" in JSON
    QString title;   // "阿里云 CDN": the window's list and the reports
    bool detect = true;  // tried, in order, on a file's first line when no format is given
    Kind kind = Kind::Layout;
    QString origin;  // the user file it comes from; empty when built in
    std::shared_ptr<const LogLayout> layout;
    std::shared_ptr<const JsonLayout> json;
    std::shared_ptr<const W3cDialect> w3c;

    // A parser for one file, for the layout and JSON kinds.
    std::unique_ptr<RecordParser> makeParser() const;
};

// The definitions in force: the built-in ones, then the user's, one taking a
// built-in's place by its name.
struct LogFormats
{
    QList<LogFormatDefinition> definitions;
    QStringList problems;  // the user file's fault, as it is to be reported: that file is not used

    const LogFormatDefinition *find(const QString &name) const;
    std::vector<const W3cDialect *> w3cDialects() const;
};

struct LogFormatFile
{
    QList<LogFormatDefinition> definitions;
    QString fault;  // empty when the whole file is sound
};

// A file {"formats": [definition, …]}. A fault names the line of a JSON
// syntax error, or the definition's name and the field at fault, after
// `origin` (the file's name).
LogFormatFile ParseLogFormats(const QByteArray &json, const QString &origin);

// The ten built-in definitions.
const LogFormats &BuiltinLogFormats();

// "formats.json" beside the settings file (~/.config/蛛迹通/formats.json).
QString UserFormatFilePath();

// The built-in definitions with the user's file over them, and with the file
// of `--formats-file` over both. A faulty user file is left out and its
// fault kept in `problems`; a faulty `extraFile` makes the whole load fail
// (null, and why in `fault`), since the run was asked for it by name.
std::shared_ptr<const LogFormats> LoadLogFormats(const QString &userFile, const QString &extraFile, QString *fault);
