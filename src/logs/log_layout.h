#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

// A custom log line layout, compiled from an nginx log_format string
// ("$remote_addr - [$time_local] \"$request\" ...") or an Apache LogFormat
// string ("%h %l %u %t \"%r\" %>s %b ..."). Literal text between fields is
// matched as written; a field runs up to the literal that follows it. One
// user agent outside quotes may hold spaces: the fields after it are then
// found from the line's end.
class LogLayout
{
public:
    enum class Field : quint8 {
        Ignored, Client, ClientPort, Forwarded, Time, TimeIso, TimeAny, TimeSeconds, TimeMillis,
        Request, RequestUri, Uri, Status, Bytes, Agent,
    };

    struct Item
    {
        QByteArray literal;  // empty for a field
        Field field = Field::Ignored;
    };

    // "combined" and "common" name the NCSA family, and an empty string asks
    // for detection: no layout, no problem.
    // Otherwise null with `problem` (in Chinese) when the string cannot be used.
    static std::shared_ptr<const LogLayout> compile(const QString &format, QString *problem);

    static bool isNcsaName(const QString &format);

    const std::vector<Item> &items() const { return items_; }
    // The item of the unquoted agent that may hold spaces; items().size() when none.
    size_t spaciousItem() const { return spacious_; }

private:
    size_t findSpacious() const;

    std::vector<Item> items_;  // never two fields in a row
    size_t spacious_ = 0;
};
