#include "logs/line_block_reader.h"

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

}  // namespace

LineBlockReader::LineBlockReader(ByteSource &source, const ScanLimits &limits)
    : source_(source),
      blockBytes_(std::clamp<qsizetype>(limits.blockBytes, 1, std::max<qsizetype>(1, limits.maxLineBytes))),
      maxLineBytes_(std::max<qsizetype>(1, limits.maxLineBytes))
{
}

bool LineBlockReader::fill()
{
    const qsizetype carried = dataEnd_ - dataBegin_;
    if (capacity_ < carried + blockBytes_) {
        std::unique_ptr<char[]> larger = std::make_unique_for_overwrite<char[]>(size_t(carried + blockBytes_));
        if (carried > 0)
            std::memcpy(larger.get(), buffer_.get() + dataBegin_, size_t(carried));
        buffer_ = std::move(larger);
        capacity_ = carried + blockBytes_;
    } else if (dataBegin_ > 0 && carried > 0) {
        std::memmove(buffer_.get(), buffer_.get() + dataBegin_, size_t(carried));
    }
    dataBegin_ = 0;
    dataEnd_ = carried;
    const qint64 got = source_.read(buffer_.get() + carried, blockBytes_);
    if (got < 0) {
        failed_ = true;
        return false;
    }
    atEnd_ = got == 0;
    dataEnd_ += got;
    return true;
}

void LineBlockReader::dropByteOrderMark()
{
    if (dataEnd_ - dataBegin_ >= 3 && std::memcmp(buffer_.get() + dataBegin_, "\xEF\xBB\xBF", 3) == 0)
        dataBegin_ += 3;
}

bool LineBlockReader::next(const char *&begin, const char *&end)
{
    for (;;) {
        if (failed_)
            return false;
        if (atEnd_) {
            if (dataBegin_ == dataEnd_ || holdUnterminated_)
                return false;
            // The last line, without a line end; never over-long (see below).
            begin = buffer_.get() + dataBegin_;
            end = buffer_.get() + dataEnd_;
            dataBegin_ = dataEnd_;
            return true;
        }
        if (!fill())
            return false;
        const char *base = buffer_.get();
        if (!startChecked_) {
            if (dataEnd_ < 3 && !atEnd_)
                continue;  // three bytes tell whether a byte-order mark is there
            dropByteOrderMark();
            startChecked_ = true;
        }
        if (skipping_) {
            const char *lineEnd = findByte(base + dataBegin_, base + dataEnd_, '\n');
            if (!lineEnd) {
                dataBegin_ = dataEnd_;
                skipping_ = !atEnd_;
                continue;
            }
            dataBegin_ = lineEnd + 1 - base;
            skipping_ = false;
        }
        const char *data = base + dataBegin_;
        const char *dataEnd = base + dataEnd_;
        const char *lastLineEnd = findLastByte(data, dataEnd, '\n');
        if (!lastLineEnd) {
            if (dataEnd - data > maxLineBytes_) {
                ++skippedLongLines_;
                skipping_ = !atEnd_;
                dataBegin_ = dataEnd_;
            }
            continue;
        }
        // Every line but the first lies within one block, which is never
        // longer than the limit; the first one began in the carried bytes.
        const char *firstLineEnd = findByte(data, lastLineEnd + 1, '\n');
        if (firstLineEnd - data > maxLineBytes_) {
            ++skippedLongLines_;
            data = firstLineEnd + 1;
        }
        dataBegin_ = lastLineEnd + 1 - base;
        if (data == lastLineEnd + 1)
            continue;
        begin = data;
        end = lastLineEnd + 1;
        return true;
    }
}

QByteArrayView LineAt(const char *lineBegin, const char *runEnd, const char **nextLine)
{
    const char *lineEnd = findByte(lineBegin, runEnd, '\n');
    if (!lineEnd) {
        *nextLine = runEnd;
        return QByteArrayView(lineBegin, runEnd);
    }
    *nextLine = lineEnd + 1;
    if (lineEnd > lineBegin && lineEnd[-1] == '\r')
        --lineEnd;
    return QByteArrayView(lineBegin, lineEnd);
}
