#pragma once

#include <QByteArrayView>
#include <QtGlobal>

// Reading the values that several log formats share. Each takes the bytes of
// one field as the log writes it and never allocates.
namespace RecordFields {

// The page of a request target as logged: up to its '?'; an absolute
// "http(s)://host/a" gives "/a", "http(s)://host" gives "/". False for a
// target that names no page ("*", "host:443", "-", junk). `query`, when
// given, gets what follows the '?' up to a '#' (empty without a '?').
bool PageOfTarget(QByteArrayView target, QByteArrayView &page, QByteArrayView *query = nullptr);

// The page of a request line "METHOD TARGET HTTP/x.y"; false for anything else.
bool PageOfRequestLine(QByteArrayView request, QByteArrayView &page, QByteArrayView *query = nullptr);

// A status of three digits; 0 for "-" or anything else.
qint16 Status(QByteArrayView field);

// A byte count; 0 for "-" or anything that is no number.
qint64 Bytes(QByteArrayView field);

// "10/Oct/2000:13:55:36 -0700" (the offset is ignored): the date as yyyymmdd
// and the seconds since midnight, both as written. False when malformed.
bool ClfTime(QByteArrayView field, qint32 &day, qint32 &second);

// "2024-01-01T00:00:00+08:00" (the offset is ignored).
bool IsoTime(QByteArrayView field, qint32 &day, qint32 &second);

// "2008-05-01" and "00:01:02" as W3C logs write them.
bool W3cDate(QByteArrayView field, qint32 &day);
bool W3cTime(QByteArrayView field, qint32 &second);

// Where a quoted field that began before `from` ends: the first '"' at or
// after `from` that no backslash escapes ("\"" as Apache writes it); null
// when there is none before `end`.
const char *ClosingQuote(const char *from, const char *end);

}  // namespace RecordFields
