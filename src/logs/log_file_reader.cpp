#include "logs/log_file_reader.h"

#include "logs/compressed_source.h"

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
    : input_(input), options_(options), storedBytesRead_(storedBytesRead),
      formats_(options.formats ? options.formats.get() : &BuiltinLogFormats())
{
}

LogFileReader::~LogFileReader() = default;

bool LogFileReader::open()
{
    opened_ = true;
    if (!input_.skipReason.isEmpty()) {
        stats_.skipReason = input_.skipReason;
        return false;
    }
    QString problem;
    definition_ = formats_->find(options_.logFormat);
    if (!definition_)
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
    return true;
}

const char *LogFileReader::findFormat(const char *begin, const char *end)
{
    using Kind = LogFormatDefinition::Kind;
    for (const char *p = begin; p < end;) {
        const char *lineStart = p;
        const QByteArrayView line = LineAt(p, end, &p);
        if (isBlankLine(line))
            continue;
        if (line.front() == '#') {
            if (!IsW3cDirective(line))
                continue;
            stats_.family = LogFamily::W3c;
            parser_ = definition_ && definition_->kind == Kind::W3c ? definition_->makeParser()
                                                                    : MakeW3cParser(formats_->w3cDialects());
        } else if (definition_ && definition_->kind != Kind::W3c) {
            stats_.family = LogFamily::Custom;
            parser_ = definition_->makeParser();
        } else if (layout_) {
            stats_.family = LogFamily::Custom;
            parser_ = MakeLayoutParser(layout_);
        } else {
            std::unique_ptr<RecordParser> ncsa = MakeNcsaParser();
            LogRecord record;
            const bool detecting = options_.logFormat.isEmpty();
            if (!detecting || ncsa->parse(line, record) == LineKind::Record) {
                stats_.family = LogFamily::Ncsa;
                parser_ = std::move(ncsa);
            } else if (!(parser_ = detect(line))) {
                stats_.skipReason = kNoLogFormat;
                done_ = true;
                return end;
            }
        }
        return lineStart;
    }
    return end;
}

std::unique_ptr<RecordParser> LogFileReader::detect(QByteArrayView line)
{
    using Kind = LogFormatDefinition::Kind;
    const bool jsonLine = line.trimmed().startsWith('{');
    for (const LogFormatDefinition &format : formats_->definitions) {
        if (!format.detect || format.kind == Kind::W3c || (format.kind == Kind::Json) != jsonLine)
            continue;
        // A line of another format may fit a loose layout: a record of this
        // one has a time and a status.
        LogRecord record;
        if (format.makeParser()->parse(line, record) != LineKind::Record || record.day == 0 || record.status == 0)
            continue;
        stats_.family = LogFamily::Custom;
        definition_ = &format;
        return format.makeParser();
    }
    return nullptr;
}

void LogFileReader::reportProgress()
{
    if (!storedBytesRead_)
        return;
    const qint64 read = file_->bytesRead();
    storedBytesRead_->fetch_add(read - reportedBytes_, std::memory_order_relaxed);
    reportedBytes_ = read;
}

bool LogFileReader::next(const char *&begin, const char *&end)
{
    if (!opened_ && !open())
        done_ = true;
    while (!done_ && lines_->next(begin, end)) {
        reportProgress();
        if (!parser_)
            begin = findFormat(begin, end);
        if (parser_ && begin != end)
            return true;
    }
    if (lines_ && !done_) {
        reportProgress();
        if (lines_->failed())
            stats_.errorText = decompressed_ ? decompressed_->errorText() : file_->errorText();
    }
    done_ = true;
    return false;
}

LogFileStats LogFileReader::stats() const
{
    LogFileStats stats = stats_;
    if (lines_)
        stats.skippedLongLines = lines_->skippedLongLines();
    if (parser_) {
        stats.noPageColumn = parser_->noPageColumn();
        stats.noAgentField = parser_->noAgentField();
        stats.formatName = parser_->dialectName();
        if (stats.formatName.isEmpty() && definition_ && stats.family != LogFamily::W3c)
            stats.formatName = definition_->name;
    }
    return stats;
}
