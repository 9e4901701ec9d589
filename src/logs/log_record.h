#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QtGlobal>

// The three families of access log the program reads, each file's own chosen
// by its content. W3C (IIS, Windows) tells pages apart without letter case;
// NCSA and custom layouts (Linux servers) keep it.
enum class LogFamily : quint8 { W3c, Ncsa, Custom };

enum class Compression : quint8 { None, Gzip, Zstd, Bzip2, Xz };

// As JSON outputs name them.
QString FamilyKey(LogFamily family);              // "w3c", "ncsa", "custom"
QString CompressionKey(Compression compression);  // "none", "gzip", "zstd", "bzip2", "xz"

// A record's day (yyyymmdd, 0 for none) as a date, and back: no date is 0.
QDate DateOfDay(qint64 day);
qint32 DayNumber(QDate date);

// One request as its log line gives it. Every view points into the reader's
// current block (or, for a field the format decodes, into the parser's
// buffer) and is valid only while the record is being handled: a consumer
// copies what it keeps. Nothing is allocated per record.
struct LogRecord
{
    QByteArrayView line;    // the whole line, without its line end
    QByteArrayView client;  // client address as written (c-ip, $remote_addr); empty when absent
    QByteArrayView forwarded;  // the X-Forwarded-For list as written; empty when the format has none
    QByteArrayView page;    // as logged, never decoded: up to '?', an absolute target's host dropped
    bool hasPage = false;   // false for a '-' stem, a bad request, CONNECT, '*', or no page column
    QByteArrayView query;   // after the target's '?' up to any '#' (W3C: cs-uri-query); empty when none
    QByteArrayView agent;   // user agent as written; empty when the format has no agent field
    bool agentPlusIsSpace = false;  // W3C writes the agent's spaces as '+'
    qint16 status = 0;      // 0 when absent or not a number
    qint64 bytes = 0;       // response bytes; 0 for '-' or an absent column
    qint32 day = 0;         // the record's own date as yyyymmdd (20150101); 0 when absent
    qint32 second = -1;     // seconds since that day's midnight; -1 when absent
    LogFamily family = LogFamily::W3c;
};
