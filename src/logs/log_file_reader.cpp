#include "logs/log_file_reader.h"

#include "logs/compressed_source.h"

#include <algorithm>

namespace {

const QString kNoLogFormat = QStringLiteral("不是可识别的日志格式");

bool isBlankLine(QByteArrayView line)
{
    for (char c : line)
        if (c != ' ' && c != '\t')
            return false;
    return true;
}

}  // namespace

LogFileReader::LogFileReader(const LogInput &input, const LogReadOptions &options,
                             std::atomic<qint64> *storedBytesRead)
    : input_(input), options_(options), storedBytesRead_(storedBytesRead)
{
}

LogFileReader::~LogFileReader() = default;

bool LogFileReader::open()
{
    opened_ = true;
    resumeChecked_ = !options_.resume || options_.resume->length == 0;
    if (!input_.skipReason.isEmpty()) {
        stats_.skipReason = input_.skipReason;
        return false;
    }
    QString problem;
    layout_ = LogLayout::compile(options_.logFormat, &problem);
    if (!problem.isEmpty()) {
        stats_.skipReason = problem;
        return false;
    }
    file_ = std::make_unique<LogFile>();
    char head[6];
    const qint64 headSize = file_->open(input_.path) ? file_->peek(head, sizeof head) : -1;
    if (headSize < 0) {
        stats_.errorText = file_->errorText();
        return false;
    }
    stats_.opened = true;
    stats_.compression = DetectCompression(QByteArrayView(head, headSize));
    ByteSource *source = file_.get();
    if (stats_.compression != Compression::None) {
        decompressed_ = ReadingAhead(Decompressing(stats_.compression, *file_, options_.limits.blockBytes / 2),
                                     options_.limits.blockBytes);
        source = decompressed_.get();
    }
    lines_ = std::make_unique<LineBlockReader>(*source, options_.limits);
    // A compressed file is written whole: its last line is complete as it is.
    if (options_.resume && stats_.compression == Compression::None)
        lines_->holdUnterminatedLine();
    return true;
}

const char *LogFileReader::findFormat(const char *begin, const char *end)
{
    for (const char *p = begin; p < end;) {
        const char *lineStart = p;
        const QByteArrayView line = LineAt(p, end, &p);
        if (isBlankLine(line))
            continue;
        if (line.front() == '#') {
            if (!IsW3cDirective(line))
                continue;
            stats_.family = LogFamily::W3c;
            parser_ = MakeW3cParser();
        } else if (layout_) {
            stats_.family = LogFamily::Custom;
            parser_ = MakeLayoutParser(layout_);
        } else {
            std::unique_ptr<RecordParser> ncsa = MakeNcsaParser();
            LogRecord record;
            if (options_.logFormat.isEmpty() && ncsa->parse(line, record) != LineKind::Record) {
                stats_.skipReason = kNoLogFormat;
                done_ = true;
                return end;
            }
            stats_.family = LogFamily::Ncsa;
            parser_ = std::move(ncsa);
        }
        return lineStart;
    }
    return end;
}

void LogFileReader::reportProgress()
{
    if (!storedBytesRead_)
        return;
    const qint64 read = file_->bytesRead();
    storedBytesRead_->fetch_add(read - reportedBytes_, std::memory_order_relaxed);
    reportedBytes_ = read;
}

bool LogFileReader::passReadBefore(const char *runBegin, const char *&begin, const char *end)
{
    const LogReadOptions::Resume &resume = *options_.resume;
    const qint64 readBefore = std::clamp<qint64>(resume.length - content_.length(), 0, end - runBegin);
    const char *cut = runBegin + readBefore;
    content_.add(QByteArrayView(runBegin, cut));
    if (!resumeChecked_ && content_.length() == resume.length) {
        resumeChecked_ = true;
        if (content_.value() != resume.hash) {
            stats_.contentDiffers = true;
            return false;
        }
    }
    content_.add(QByteArrayView(cut, end));
    if (parser_ && begin < cut) {
        parser_->pass(begin, cut);
        begin = cut;
    }
    return true;
}

bool LogFileReader::next(const char *&begin, const char *&end)
{
    if (!opened_ && !open())
        done_ = true;
    while (!done_ && lines_->next(begin, end)) {
        reportProgress();
        const char *runBegin = begin;
        if (!parser_)
            begin = findFormat(begin, end);
        if (options_.resume && !passReadBefore(runBegin, begin, end))
            break;
        if (parser_ && begin != end)
            return true;
    }
    if (lines_ && !done_) {
        reportProgress();
        if (lines_->failed())
            stats_.errorText = decompressed_ ? decompressed_->errorText() : file_->errorText();
        else if (!resumeChecked_)
            stats_.contentDiffers = true;  // it ends before the part read before does
    }
    done_ = true;
    return false;
}

bool LogFileReader::nextContent(const char *&begin, const char *&end)
{
    if (!opened_ && !open())
        done_ = true;
    if (!done_ && lines_->next(begin, end))
        return true;
    if (lines_ && lines_->failed())
        stats_.errorText = decompressed_ ? decompressed_->errorText() : file_->errorText();
    done_ = true;
    return false;
}

LogFileStats LogFileReader::stats() const
{
    LogFileStats stats = stats_;
    if (lines_)
        stats.skippedLongLines = lines_->skippedLongLines();
    if (parser_)
        stats.noPageColumn = parser_->noPageColumn();
    stats.contentLength = content_.length();
    stats.contentHash = content_.value();
    stats.contentHeadHash = content_.headValue();
    return stats;
}

std::optional<QByteArray> ReadLogContentHead(const LogInput &input, qsizetype size, QString *error)
{
    LogReadOptions options;
    options.resume = LogReadOptions::Resume{};
    LogFileReader reader(input, options);
    QByteArray head;
    const char *begin = nullptr;
    const char *end = nullptr;
    while (head.size() < size && reader.nextContent(begin, end))
        head.append(begin, std::min<qsizetype>(end - begin, size - head.size()));
    const LogFileStats stats = reader.stats();
    if (!stats.opened || stats.failed()) {
        *error = stats.failed() ? stats.errorText : stats.skipReason;
        return std::nullopt;
    }
    return head;
}
