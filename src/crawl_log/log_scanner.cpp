#include "crawl_log/log_scanner.h"

#include "common/byte_search.h"
#include "common/cp936.h"
#include "common/stop_flag.h"

#include <algorithm>
#include <cstring>

namespace {

const char *findByte(const char *begin, const char *end, char byte)
{
    return static_cast<const char *>(std::memchr(begin, byte, size_t(end - begin)));
}

const char *findLastByte(const char *begin, const char *end, char byte)
{
    return static_cast<const char *>(::memrchr(begin, byte, size_t(end - begin)));
}

bool isFieldDirective(QByteArrayView line)
{
    // Equal to comparing the first eight characters lower-cased: ASCII bytes
    // stand for themselves in both encodings, and no other character
    // lower-cases to an ASCII one of "#fields:".
    static constexpr char directive[] = "#fields:";
    if (line.size() < 8)
        return false;
    for (int i = 0; i < 8; ++i)
        if (AsciiLower(static_cast<unsigned char>(line[i])) != directive[i])
            return false;
    return true;
}

qint32 fieldIndexIn(QByteArrayView directive, QStringView fieldName)
{
    const QString wanted = fieldName.toString().toLower();
    const QStringList tokens = DecodeLogLine(directive).split(u' ');
    for (qsizetype k = 0; k < tokens.size(); ++k)
        if (tokens[k].toLower() == wanted)
            return qint32(k);
    return 0;
}

bool stopRequested(const StopFlag *stop) { return stop && stop->isSet(); }

}  // namespace

QByteArrayView ColumnAt(QByteArrayView line, qsizetype index)
{
    const char *p = line.data();
    const char *end = p + line.size();
    for (qsizetype i = 0; i < index; ++i) {
        const char *space = findByte(p, end, ' ');
        if (!space)
            return {};
        p = space + 1;
    }
    const char *space = findByte(p, end, ' ');
    return QByteArrayView(p, space ? space : end);
}

FieldSearch FindFieldIndex(ByteSource &source, QStringView fieldName, const ScanLimits &limits)
{
    FieldSearch result;
    LineBlockReader reader(source, limits);
    const char *begin = nullptr;
    const char *end = nullptr;
    bool found = false;
    while (!found && reader.next(begin, end)) {
        for (const char *p = begin; p < end && !found;) {
            const QByteArrayView line = LineAt(p, end, &p);
            if (isFieldDirective(line)) {
                result.fieldIndex = fieldIndexIn(line, fieldName);
                found = true;
            }
        }
    }
    result.failed = reader.failed();
    if (result.failed)
        result.errorText = source.errorText();
    result.skippedLongLines = reader.skippedLongLines();
    return result;
}

namespace {

class HitScanner
{
public:
    HitScanner(qint32 fieldIndex, const CrawlerToken &token, const StopFlag *stop,
               const HitSink &onHit, HitScan &result)
        : column_(fieldIndex - 1), token_(token), needle_(token.asciiBytes()), stop_(stop),
          onHit_(onHit), result_(result)
    {
    }

    // Each returns false once a stop is requested.
    bool scanBytewise(const char *begin, const char *end);
    bool scanLineByLine(const char *begin, const char *end);

private:
    void take(QByteArrayView line, TextEncoding encoding)
    {
        ++result_.hitLines;
        onHit_(ColumnAt(line, column_), encoding);
    }

    qsizetype column_;
    const CrawlerToken &token_;
    CaselessNeedle needle_;
    const StopFlag *stop_;
    const HitSink &onHit_;
    HitScan &result_;
};

bool HitScanner::scanBytewise(const char *begin, const char *end)
{
    for (const char *p = begin; p < end;) {
        const char *match = needle_.findIn(p, end);
        if (match == end)
            break;
        const char *previousLineEnd = findLastByte(p, match, '\n');
        const QByteArrayView line = LineAt(previousLineEnd ? previousLineEnd + 1 : p, end, &p);
        const TextEncoding encoding = DetectLineEncoding(line);
        // In code page 936 an ASCII byte may be the second half of a Chinese
        // character; only the decoded line tells.
        if (encoding == TextEncoding::Cp936 && !token_.occursIn(Cp936::decode(line)))
            continue;
        take(line, encoding);
        if (stopRequested(stop_))
            return false;
    }
    return !stopRequested(stop_);
}

bool HitScanner::scanLineByLine(const char *begin, const char *end)
{
    for (const char *p = begin; p < end;) {
        const QByteArrayView line = LineAt(p, end, &p);
        const TextEncoding encoding = DetectLineEncoding(line);
        if (token_.occursIn(DecodeLogText(line, encoding)))
            take(line, encoding);
        if (stopRequested(stop_))
            return false;
    }
    return true;
}

}  // namespace

HitScan ScanHitLines(ByteSource &source, qint32 fieldIndex, const CrawlerToken &token,
                     const StopFlag *stop, const HitSink &onHit, const ScanLimits &limits)
{
    HitScan result;
    LineBlockReader reader(source, limits);
    HitScanner scanner(fieldIndex, token, stop, onHit, result);
    // With the stop already requested only the first line is read, and only
    // the line-by-line scan stops after exactly one line.
    const bool bytewise = token.searchableInBytes() && !stopRequested(stop);
    const char *begin = nullptr;
    const char *end = nullptr;
    while (reader.next(begin, end)) {
        const bool goOn = bytewise ? scanner.scanBytewise(begin, end) : scanner.scanLineByLine(begin, end);
        if (!goOn)
            break;
    }
    result.failed = reader.failed();
    if (result.failed)
        result.errorText = source.errorText();
    result.skippedLongLines = reader.skippedLongLines();
    return result;
}
