#pragma once

#include "logs/byte_source.h"

#include <QByteArrayView>

#include <memory>

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

    // A last line without its line end is left out: the file may still be
    // being written, and the line is taken once it is complete.
    void holdUnterminatedLine() { holdUnterminated_ = true; }

    bool failed() const { return failed_; }
    qint64 skippedLongLines() const { return skippedLongLines_; }

private:
    bool fill();
    void dropByteOrderMark();

    ByteSource &source_;
    qsizetype blockBytes_;
    qsizetype maxLineBytes_;
    // Not zeroed when made: every file has a reader, and zeroing a block
    // that is about to be read into was a good part of the time of a small file.
    std::unique_ptr<char[]> buffer_;
    qsizetype capacity_ = 0;
    qsizetype dataBegin_ = 0;  // unconsumed bytes are [dataBegin_, dataEnd_)
    qsizetype dataEnd_ = 0;
    bool atEnd_ = false;
    bool failed_ = false;
    bool skipping_ = false;  // inside an over-long line, up to its LF
    bool startChecked_ = false;
    bool holdUnterminated_ = false;
    qint64 skippedLongLines_ = 0;
};

// One line of a run of lines, without its line end.
QByteArrayView LineAt(const char *lineBegin, const char *runEnd, const char **nextLine);
