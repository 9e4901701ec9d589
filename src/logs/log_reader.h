#pragma once

#include "common/prepared_ahead.h"
#include "common/stop_flag.h"
#include "logs/content_hash.h"
#include "logs/line_block_reader.h"
#include "logs/log_input.h"
#include "logs/log_record.h"
#include "logs/record_parser.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <span>

class ForwardedClients;
struct LogFormats;

struct LogReadOptions
{
    QString logFormat;  // empty: detect per file; "combined", "common", a format definition's name, an nginx
                        // log_format or an Apache LogFormat string: used for every file that is not W3C
    ScanLimits limits;  // block size, longest line
    std::shared_ptr<const LogFormats> formats;  // the definitions in force; null: the built-in ones
    std::shared_ptr<const ForwardedClients> forwardedClients;  // set: the client from X-Forwarded-For
    W3cColumns w3cColumns = W3cColumns::Needed;

    // Reading a file's content again from where an earlier read stopped (the
    // store's import). The content is the file's bytes decompressed, in whole
    // lines (a UTF-8 byte-order mark and over-long lines left out); a plain
    // file's last line without its line end is left for a later read, as the
    // file may still be growing. Set: the read hashes the content, and the
    // first `length` bytes give no records (their lines still set the
    // format's state); when they do not hash to `hash`, or the content ends
    // before them, the read stops there and says the content differs.
    struct Resume
    {
        qint64 length = 0;
        quint64 hash = 0;
    };
    std::optional<Resume> resume;
};

// Empty when the format can be used; else why not, in Chinese (the CLI exits 2 with it).
QString LogFormatProblem(const QString &logFormat, const LogFormats *formats = nullptr);

// Why a file was not read, for reports that put like files together.
enum class SkipKind : quint8 {
    None,
    ErrorLog,       // an nginx or Apache error log ("错误日志")
    UnknownFormat,  // no access log of a known format ("不是可识别的日志格式")
    Other,          // a link without target, an unusable format string
};

// The report texts of the two kinds that are no access log.
QString SkipReasonText(SkipKind kind);

// What a run's report adds when it read files and every one was skipped as
// no log of a known format: a custom layout needs the format string.
QString AllUnrecognisedText();

// What a report says of a file read by detection because the format string
// read nothing of it.
QString LayoutIgnoredText();

struct LogFileStats
{
    LogFamily family = LogFamily::W3c;
    Compression compression = Compression::None;
    qint64 records = 0;           // lines that are records of the file's format
    qint64 badLines = 0;          // lines that are no record of the file's format
    qint64 skippedLongLines = 0;
    bool noPageColumn = false;    // a W3C file that never names cs-uri-stem ("没有 cs-uri-stem 列")
    bool noAgentField = false;    // read by a definition whose agent field no record held ("没有 User-Agent 字段")
    QString formatName;           // the format definition that read the file ("aliyun-cdn"); empty for the
                                  // program's own families and a format string
    bool bytesLogged = false;     // the file's format has a response size (false also when no record format was found)
    QString skipReason;           // not read at all (e.g. "不是可识别的日志格式"); records 0
    SkipKind skipKind = SkipKind::None;
    bool layoutIgnored = false;   // the format string read no record of the file's first line, which is
                                  // nginx/Apache combined or common: the file was read as that
    QString errorText;            // could not be read to its end: unreadable, "文件已损坏（第 N 字节）"
                                  // (records before the fault were delivered and stay counted)
    bool stopped = false;         // the stop flag ended the read early
    bool opened = false;          // the file could be opened (a later fault leaves the records before it)
    // With LogReadOptions::resume: the content read, and whether the part read before differs.
    qint64 contentLength = 0;
    quint64 contentHash = 0;      // ContentHash::value() of the content read
    quint64 contentHeadHash = 0;  // ContentHash::headValue()
    bool contentDiffers = false;
    bool failed() const { return !errorText.isEmpty(); }
};

// The first `size` bytes of a log's content as a read with LogReadOptions::resume sees it (fewer when the
// content is shorter), so that a store can tell which content it is before reading it; null on failure,
// with the reason in `error`.
std::optional<QByteArray> ReadLogContentHead(const LogInput &input, qsizetype size, QString *error);

// Records a few at a time, in file order, all from the same block: a consumer
// whose tables miss the cache can start loading what the next records need
// while it counts the first.
using RecordBatchHandler = std::function<void(std::span<const LogRecord>)>;
using RecordHandler = std::function<void(const LogRecord &)>;

// Calls add(record, prepare(record)) for every record, each record prepared
// some records before it is added (see ForEachPreparedAhead).
template <typename Prepare, typename Add>
void AddPreparedAhead(std::span<const LogRecord> records, Prepare prepare, Add add)
{
    ForEachPreparedAhead(
        records.size(), [&](std::size_t i) { return prepare(records[i]); },
        [&](std::size_t i, const auto &prepared) { add(records[i], prepared); });
}

// Adds the records read to a progress counter shared with the thread that
// shows it, every 65,536 records and when it goes out of scope, rather than
// every batch.
class RecordProgress
{
public:
    explicit RecordProgress(std::atomic<qint64> *records) : records_(records) {}
    RecordProgress(const RecordProgress &) = delete;
    RecordProgress &operator=(const RecordProgress &) = delete;
    ~RecordProgress() { report(); }

    void add(std::size_t records)
    {
        unreported_ += qint64(records);
        if (unreported_ >= kEvery)
            report();
    }

private:
    static constexpr qint64 kEvery = 1 << 16;
    void report()
    {
        if (records_)
            *records_ += unreported_;
        unreported_ = 0;
    }

    std::atomic<qint64> *records_;  // null: nobody is shown the count
    qint64 unreported_ = 0;
};

// Reads one input from start to end in a single pass, decompressing as it goes, and hands every record
// to `onRecords` (on the calling thread) in batches of at most kRecordBatch. Memory stays bounded whatever
// the file holds. The stop flag is read after every block; `storedBytesRead`, when given, grows by the
// bytes read of the stored (compressed) file as the read goes on, for progress bars.
constexpr std::size_t kRecordBatch = 16;
LogFileStats ReadLogRecords(const LogInput &input, const LogReadOptions &options, const RecordBatchHandler &onRecords,
                            const StopFlag *stop = nullptr, std::atomic<qint64> *storedBytesRead = nullptr);
// The same, a record at a time.
LogFileStats ReadLogRecords(const LogInput &input, const LogReadOptions &options, const RecordHandler &onRecord,
                            const StopFlag *stop = nullptr, std::atomic<qint64> *storedBytesRead = nullptr);
