#pragma once

#include "crawl_log/crawler_token.h"
#include "logs/line_block_reader.h"
#include "logs/log_text.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <functional>
#include <vector>

class StopFlag;

// Column `index` (from 0) of a line whose columns are separated by single
// spaces; empty when the line has fewer columns.
QByteArrayView ColumnAt(QByteArrayView line, qsizetype index);

struct ScanResult
{
    bool failed = false;
    QString errorText;
    qint64 skippedLongLines = 0;
};

struct FieldSearch : ScanResult
{
    qint32 fieldIndex = 0;  // k >= 1 of the first "#Fields:" directive, 0 when not named
};

// Where the first "#Fields:" directive names the field: the position k of the
// first directive token equal to the name (letter case ignored), token 0 being
// the directive word. Later directives are never read.
FieldSearch FindFieldIndex(ByteSource &source, QStringView fieldName, const ScanLimits &limits = {});

struct HitScan : ScanResult
{
    qint64 hitLines = 0;
};

// Called for each line containing the token: the value of the data column
// (fieldIndex - 1), raw, and the encoding of its line.
using HitSink = std::function<void(QByteArrayView value, TextEncoding lineEncoding)>;

// Every line is tested, directive lines too. The stop flag is honoured after
// every line; set before the scan, it lets the first line alone be read.
HitScan ScanHitLines(ByteSource &source, qint32 fieldIndex, const CrawlerToken &token,
                     const StopFlag *stop, const HitSink &onHit, const ScanLimits &limits = {});
