#include "logs/log_file_reader.h"

#include "logs/compressed_source.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

bool isBlankLine(QByteArrayView line)
{
    for (char c : line)
        if (c != ' ' && c != '\t')
            return false;
    return true;
}

// A line of an nginx error log ("2020/11/22 12:00:00 [error] 12#12: ...") or
// an Apache one ("[Sun Nov 22 12:00:00 2020] [error] ...", 2.4:
// "[Sun Nov 22 12:00:00.123456 2020] [core:error] [pid 1] ...").
bool isErrorLogLine(QByteArrayView line)
{
    static const QRegularExpression nginx(
        QStringLiteral(R"(^\d{4}/\d\d/\d\d \d\d:\d\d:\d\d \[(?:debug|info|notice|warn|error|crit|alert|emerg)\] )"));
    static const QRegularExpression apache(
        QStringLiteral(R"(^\[\w{3} \w{3} [ \d]\d \d\d:\d\d:\d\d(?:\.\d+)? \d{4}\] \[(?:\w+:)?\w+\] )"));
    const QString start = QString::fromLatin1(line.first(std::min<qsizetype>(line.size(), 80)));
    return nginx.match(start).hasMatch() || apache.match(start).hasMatch();
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
    resumeChecked_ = !options_.resume || options_.resume->length == 0;
    if (!input_.skipReason.isEmpty()) {
        skip(SkipKind::Other, input_.skipReason);
        return false;
    }
    QString problem;
    definition_ = formats_->find(options_.logFormat);
    if (!definition_)
        layout_ = LogLayout::compile(options_.logFormat, &problem);
    if (!problem.isEmpty()) {
        skip(SkipKind::Other, problem);
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
            parser_ = MakeW3cParser(options_.w3cColumns,
                                    definition_ && definition_->kind == Kind::W3c
                                        ? std::vector<const W3cDialect *>{definition_->w3c.get()}
                                        : formats_->w3cDialects());
        } else if (definition_ && definition_->kind != Kind::W3c) {
            stats_.family = LogFamily::Custom;
            parser_ = definition_->makeParser();
        } else if (isErrorLogLine(line)) {
            skip(SkipKind::ErrorLog, SkipReasonText(SkipKind::ErrorLog));
            return end;
        } else {
            parser_ = detectedParser(line);
            if (!parser_) {
                skip(SkipKind::UnknownFormat, SkipReasonText(SkipKind::UnknownFormat));
                return end;
            }
            // A W3C format was chosen and this file is none: said, as for a format string.
            stats_.layoutIgnored = stats_.layoutIgnored || (definition_ && definition_->kind == Kind::W3c);
        }
        return lineStart;
    }
    return end;
}

std::unique_ptr<RecordParser> LogFileReader::detectedParser(QByteArrayView firstLine)
{
    LogRecord record;
    std::unique_ptr<RecordParser> ncsa = MakeNcsaParser();
    const bool ncsaReads = LogLayout::isNcsaName(options_.logFormat) || ncsa->parse(firstLine, record) == LineKind::Record;
    if (layout_) {
        // A format string left from another folder must not cost a file that
        // detection reads: the file's first line decides.
        std::unique_ptr<RecordParser> custom = MakeLayoutParser(layout_);
        stats_.layoutIgnored = ncsaReads && custom->parse(firstLine, record) != LineKind::Record;
        if (!stats_.layoutIgnored) {
            stats_.family = LogFamily::Custom;
            return custom;
        }
    } else if (!ncsaReads && options_.logFormat.isEmpty()) {
        return definitionParser(firstLine);
    }
    stats_.family = LogFamily::Ncsa;
    return ncsa;
}

void LogFileReader::skip(SkipKind kind, const QString &reason)
{
    stats_.skipKind = kind;
    stats_.skipReason = reason;
    done_ = true;
}

std::unique_ptr<RecordParser> LogFileReader::definitionParser(QByteArrayView line)
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
    if (parser_) {
        stats.noPageColumn = parser_->noPageColumn();
        stats.bytesLogged = parser_->bytesLogged();
        stats.noAgentField = parser_->noAgentField();
        stats.formatName = parser_->dialectName();
        if (stats.formatName.isEmpty() && definition_ && stats.family != LogFamily::W3c)
            stats.formatName = definition_->name;
    }
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
