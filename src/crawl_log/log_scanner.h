#pragma once

#include "crawl_log/byte_source.h"
#include "crawl_log/crawler_token.h"
#include "crawl_log/log_text.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <functional>
#include <vector>

class StopFlag;

struct ScanLimits
{
    // Bytes asked of the source per read.
    qsizetype blockBytes = 256 * 1024;
    // A line with more bytes than this before its line end is no log record
    // (no server writes one); it is skipped and counted, so memory stays
    // bounded whatever the file holds.
    qsizetype maxLineBytes = 16 * 1024 * 1024;
};

// Cuts a byte source into runs of whole lines. A line ends at LF; one CR
// before the LF belongs to the line end; a lone CR is an ordinary byte; a
// last line without a line end counts; a UTF-8 byte-order mark at the start
// is dropped.
class LineBlockReader
{
public:
    LineBlockReader(ByteSource &source, const ScanLimits &limits);

    // The next run [begin, end) of whole lines, each ending in LF except
    // possibly the last line of the source. False at the end or on failure.
    bool next(const char *&begin, const char *&end);

    bool failed() const { return failed_; }
    qint64 skippedLongLines() const { return skippedLongLines_; }

private:
    bool fill();
    void dropByteOrderMark();

    ByteSource &source_;
    qsizetype blockBytes_;
    qsizetype maxLineBytes_;
    std::vector<char> buffer_;
    qsizetype dataBegin_ = 0;  // unconsumed bytes are [dataBegin_, dataEnd_)
    qsizetype dataEnd_ = 0;
    bool atEnd_ = false;
    bool failed_ = false;
    bool skipping_ = false;  // inside an over-long line, up to its LF
    bool startChecked_ = false;
    qint64 skippedLongLines_ = 0;
};

// One line of a run of lines, without its line end.
QByteArrayView LineAt(const char *lineBegin, const char *runEnd, const char **nextLine);

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
