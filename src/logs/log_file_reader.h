#pragma once

#include "logs/formats/log_formats.h"
#include "logs/log_layout.h"
#include "logs/log_reader.h"
#include "logs/record_parser.h"

#include <memory>

class ByteSource;
class LogFile;

// One log read once from start to end: opened, decompressed as it goes, cut
// into runs of whole lines, its format found from its first lines. Blank and
// '#' lines before the line that tells the format are no records of any
// format and never reach the caller.
class LogFileReader
{
public:
    LogFileReader(const LogInput &input, const LogReadOptions &options,
                  std::atomic<qint64> *storedBytesRead = nullptr);
    ~LogFileReader();
    LogFileReader(const LogFileReader &) = delete;
    LogFileReader &operator=(const LogFileReader &) = delete;

    // The next run [begin, end) of whole lines (as LineBlockReader cuts
    // them), from the line that told the format on. False at the end, on a
    // failure and for a file that is no log.
    bool next(const char *&begin, const char *&end);

    // The next run of the content, unparsed and with no format sought (see
    // LogReadOptions::resume for what the content is).
    bool nextContent(const char *&begin, const char *&end);

    // The parser of the file's format; set once next() returned true.
    RecordParser &parser() { return *parser_; }

    // What reading found: family, compression, skipped long lines, why the
    // file was skipped or could not be read to its end. Counting records
    // and bad lines is the caller's part.
    LogFileStats stats() const;

private:
    bool open();
    // The first line of [begin, end) from which the format is known, or end.
    const char *findFormat(const char *begin, const char *end);
    // The parser for a file whose first record line is not W3C: the format
    // string's layout, unless it reads nothing of the line and NCSA does;
    // null when nothing reads it.
    std::unique_ptr<RecordParser> detectedParser(QByteArrayView firstLine);
    void skip(SkipKind kind, const QString &reason);
    void reportProgress();
    // Hashes the run [runBegin, end) of an incremental read and lets the part of [begin, end) that was
    // read before go by unread; false when that part differs.
    bool passReadBefore(const char *runBegin, const char *&begin, const char *end);

    const LogInput &input_;
    const LogReadOptions &options_;
    std::atomic<qint64> *storedBytesRead_;
    std::unique_ptr<LogFile> file_;
    std::unique_ptr<ByteSource> decompressed_;
    std::unique_ptr<LineBlockReader> lines_;
    // A file's parser once its first line chose a definition; null when none reads it.
    std::unique_ptr<RecordParser> definitionParser(QByteArrayView line);

    std::shared_ptr<const LogLayout> layout_;  // the format string's layout, when one is given
    const LogFormats *formats_;
    const LogFormatDefinition *definition_ = nullptr;  // the one given by name, then the one reading the file
    std::unique_ptr<RecordParser> parser_;
    LogFileStats stats_;
    ContentHash content_;
    bool resumeChecked_ = false;
    qint64 reportedBytes_ = 0;
    bool opened_ = false;
    bool done_ = false;
};
