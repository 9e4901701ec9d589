#include "logs/compressed_source.h"

#include <bzlib.h>
#include <isa-l/igzip_lib.h>
#include <lzma.h>
#include <zstd.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// The decompressors share their loop: the stored bytes go in a block at a
// time; a stream ends where its format says, and a new one (a gzip member,
// a zstd frame, a bzip2 stream) may follow until the stored file ends.
class DecompressingSource : public ByteSource
{
public:
    DecompressingSource(LogFile &stored, qsizetype inputBytes) : stored_(stored), input_(inputBytes) {}

    qint64 read(char *buffer, qint64 size) final
    {
        if (!errorText_.isEmpty())
            return -1;
        if (faultAt_ >= 0)
            return corrupt();
        for (;;) {
            if (available_ == 0 && !storedEnded_ && !refill())
                return -1;
            const bool finishing = available_ == 0 && storedEnded_;
            if (finishing && betweenStreams_)
                return 0;
            if (betweenStreams_) {
                if (!beginStream())
                    return corrupt();
                betweenStreams_ = false;
            }
            const qsizetype availableBefore = available_;
            qint64 produced = 0;
            const Step step = decode(buffer, size, finishing, produced);
            if (step == Step::Failed) {
                // What came before the fault is handed out first.
                if (produced == 0)
                    return corrupt();
                faultAt_ = stored_.bytesRead() - available_;
                return produced;
            }
            betweenStreams_ = step == Step::StreamEnded;
            if (produced > 0)
                return produced;
            // No output and no input taken: the stream wants bytes the file
            // does not have.
            if (!betweenStreams_ && available_ == availableBefore && (finishing || available_ > 0))
                return corrupt();
        }
    }

    QString errorText() const final { return errorText_; }

protected:
    enum class Step { Going, StreamEnded, Failed };

    // Ready for a stream that starts at next(); false when it cannot start.
    virtual bool beginStream() = 0;
    // Decodes from [next(), next() + available()) into buffer, moving the
    // input on with consumed(). `finishing`: no more input will come.
    virtual Step decode(char *buffer, qint64 size, bool finishing, qint64 &produced) = 0;

    const unsigned char *next() const { return input_.data() + position_; }
    qsizetype available() const { return available_; }
    void consumed(qsizetype count)
    {
        position_ += count;
        available_ -= count;
    }

private:
    bool refill()
    {
        const qint64 got = stored_.read(reinterpret_cast<char *>(input_.data()), qint64(input_.size()));
        if (got < 0) {
            errorText_ = stored_.errorText();
            return false;
        }
        position_ = 0;
        available_ = got;
        storedEnded_ = got == 0;
        return true;
    }

    qint64 corrupt()
    {
        const qint64 offset = faultAt_ >= 0 ? faultAt_ : stored_.bytesRead() - available_;
        errorText_ = QStringLiteral("文件已损坏（第 %1 字节）").arg(offset);
        return -1;
    }

    LogFile &stored_;
    std::vector<unsigned char> input_;
    qsizetype position_ = 0;
    qsizetype available_ = 0;
    bool storedEnded_ = false;
    bool betweenStreams_ = true;
    qint64 faultAt_ = -1;  // a fault found after some output, reported at the next read
    QString errorText_;
};

// gzip through ISA-L's igzip, several times faster than zlib; each member
// of a multi-member file is a stream of its own. igzip 2.30 reads a
// back-reference that reaches before the start of the data (a corrupt
// stream) from before its output buffer, so it writes into a buffer of its
// own that has a full window of zeros in front; the checksum at the end of
// the member then tells the stream is corrupt.
class GzipSource final : public DecompressingSource
{
public:
    GzipSource(LogFile &stored, qsizetype inputBytes)
        : DecompressingSource(stored, inputBytes), output_(kWindow + kOutput)
    {
    }

protected:
    bool beginStream() override
    {
        isal_inflate_init(&state_);
        state_.crc_flag = ISAL_GZIP;
        ended_ = false;
        failed_ = false;
        return true;
    }

    Step decode(char *buffer, qint64 size, bool, qint64 &produced) override
    {
        if (pendingBegin_ == pendingEnd_ && !ended_ && !failed_)
            inflate();
        produced = std::min<qint64>(size, pendingEnd_ - pendingBegin_);
        std::memcpy(buffer, output_.data() + pendingBegin_, size_t(produced));
        pendingBegin_ += produced;
        if (pendingBegin_ < pendingEnd_)
            return Step::Going;
        if (failed_)
            return Step::Failed;
        return ended_ ? Step::StreamEnded : Step::Going;
    }

private:
    static constexpr qsizetype kWindow = 32 * 1024;  // the longest back-reference of deflate
    static constexpr qsizetype kOutput = 256 * 1024;

    void inflate()
    {
        state_.next_in = const_cast<uint8_t *>(next());
        state_.avail_in = uint32_t(available());
        state_.next_out = output_.data() + kWindow;
        state_.avail_out = uint32_t(kOutput);
        const int result = isal_inflate(&state_);
        pendingBegin_ = kWindow;
        pendingEnd_ = state_.next_out - output_.data();
        // A corrupt stream can leave igzip claiming more input than it had.
        const qsizetype taken = available() - qsizetype(state_.avail_in);
        failed_ = result < 0 || taken < 0;
        if (taken >= 0)
            consumed(taken);
        ended_ = state_.block_state == ISAL_BLOCK_FINISH;
    }

    inflate_state state_{};
    std::vector<uint8_t> output_;
    qsizetype pendingBegin_ = 0;  // decoded bytes not yet handed out
    qsizetype pendingEnd_ = 0;
    bool ended_ = false;
    bool failed_ = false;
};

// zstd: a file may hold several frames, each a stream.
class ZstdSource final : public DecompressingSource
{
public:
    ZstdSource(LogFile &stored, qsizetype inputBytes)
        : DecompressingSource(stored, inputBytes), stream_(ZSTD_createDStream())
    {
    }
    ~ZstdSource() override { ZSTD_freeDStream(stream_); }

protected:
    bool beginStream() override { return stream_ && !ZSTD_isError(ZSTD_initDStream(stream_)); }

    Step decode(char *buffer, qint64 size, bool, qint64 &produced) override
    {
        ZSTD_inBuffer in{next(), size_t(available()), 0};
        ZSTD_outBuffer out{buffer, size_t(size), 0};
        const size_t result = ZSTD_decompressStream(stream_, &out, &in);
        produced = qint64(out.pos);
        consumed(qsizetype(in.pos));
        if (ZSTD_isError(result))
            return Step::Failed;
        return result == 0 ? Step::StreamEnded : Step::Going;
    }

private:
    ZSTD_DStream *stream_;
};

// bzip2: concatenated streams (pbzip2 writes them) each start afresh.
class Bzip2Source final : public DecompressingSource
{
public:
    using DecompressingSource::DecompressingSource;
    ~Bzip2Source() override { end(); }

protected:
    bool beginStream() override
    {
        end();
        stream_ = bz_stream{};
        active_ = BZ2_bzDecompressInit(&stream_, 0, 0) == BZ_OK;
        return active_;
    }

    Step decode(char *buffer, qint64 size, bool, qint64 &produced) override
    {
        stream_.next_in = const_cast<char *>(reinterpret_cast<const char *>(next()));
        stream_.avail_in = unsigned(available());
        stream_.next_out = buffer;
        stream_.avail_out = unsigned(std::min<qint64>(size, 1 << 30));
        const int result = BZ2_bzDecompress(&stream_);
        produced = qint64(stream_.next_out - buffer);
        consumed(available() - qsizetype(stream_.avail_in));
        if (result == BZ_STREAM_END)
            return Step::StreamEnded;
        return result == BZ_OK ? Step::Going : Step::Failed;
    }

private:
    void end()
    {
        if (active_)
            BZ2_bzDecompressEnd(&stream_);
        active_ = false;
    }

    bz_stream stream_{};
    bool active_ = false;
};

// xz: liblzma reads concatenated streams itself and ends at the last one.
class XzSource final : public DecompressingSource
{
public:
    using DecompressingSource::DecompressingSource;
    ~XzSource() override { lzma_end(&stream_); }

protected:
    bool beginStream() override
    {
        // The largest dictionary xz writes (-9e) needs 65 MiB to read.
        constexpr uint64_t memoryLimit = 128u << 20;
        lzma_end(&stream_);
        stream_ = LZMA_STREAM_INIT;
        return lzma_stream_decoder(&stream_, memoryLimit, LZMA_CONCATENATED) == LZMA_OK;
    }

    Step decode(char *buffer, qint64 size, bool finishing, qint64 &produced) override
    {
        stream_.next_in = next();
        stream_.avail_in = size_t(available());
        stream_.next_out = reinterpret_cast<uint8_t *>(buffer);
        stream_.avail_out = size_t(size);
        const lzma_ret result = lzma_code(&stream_, finishing ? LZMA_FINISH : LZMA_RUN);
        produced = qint64(reinterpret_cast<char *>(stream_.next_out) - buffer);
        consumed(available() - qsizetype(stream_.avail_in));
        if (result == LZMA_STREAM_END)
            return Step::StreamEnded;
        return result == LZMA_OK ? Step::Going : Step::Failed;
    }

private:
    lzma_stream stream_ = LZMA_STREAM_INIT;
};

class ReadAheadSource final : public ByteSource
{
public:
    ReadAheadSource(std::unique_ptr<ByteSource> inner, qsizetype blockBytes)
        : inner_(std::move(inner)), blockBytes_(std::max<qsizetype>(1, blockBytes))
    {
        // Left uninitialised, as the decompressor fills them: zeroing them
        // cost a small compressed log more than reading it.
        for (Block &block : blocks_)
            block.bytes = std::make_unique_for_overwrite<char[]>(size_t(blockBytes_));
        worker_ = std::thread([this] { run(); });
    }

    ~ReadAheadSource() override
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        worker_.join();
    }

    qint64 read(char *buffer, qint64 size) override
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return blocks_[taken_ % 2].filled; });
        Block &block = blocks_[taken_ % 2];
        if (block.size <= 0)
            return block.size;  // the end or the failure stays
        const qint64 count = std::min<qint64>(size, block.size - block.offset);
        std::memcpy(buffer, block.bytes.get() + block.offset, size_t(count));
        block.offset += count;
        if (block.offset == block.size) {
            block.filled = false;
            ++taken_;
            lock.unlock();
            changed_.notify_all();
        }
        return count;
    }

    QString errorText() const override
    {
        std::lock_guard lock(mutex_);
        return errorText_;
    }

private:
    struct Block
    {
        std::unique_ptr<char[]> bytes;
        qint64 size = 0;    // bytes read; 0 at the end, -1 on failure
        qint64 offset = 0;  // bytes handed out
        bool filled = false;
    };

    // Fills the blocks in turn until the source ends or fails.
    void run()
    {
        for (quint64 index = 0;; ++index) {
            Block &block = blocks_[index % 2];
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return stopping_ || !block.filled; });
                if (stopping_)
                    return;
            }
            // The block is the worker's alone until it is marked filled.
            const qint64 got = inner_->read(block.bytes.get(), blockBytes_);
            {
                std::lock_guard lock(mutex_);
                block.size = got;
                block.offset = 0;
                block.filled = true;
                if (got < 0)
                    errorText_ = inner_->errorText();
            }
            changed_.notify_all();
            if (got <= 0)
                return;
        }
    }

    std::unique_ptr<ByteSource> inner_;
    const qsizetype blockBytes_;
    std::array<Block, 2> blocks_;
    quint64 taken_ = 0;  // blocks handed out in full
    bool stopping_ = false;
    QString errorText_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::thread worker_;
};

}  // namespace

Compression DetectCompression(QByteArrayView head)
{
    if (head.startsWith("\x1F\x8B"))
        return Compression::Gzip;
    if (head.startsWith("\x28\xB5\x2F\xFD"))
        return Compression::Zstd;
    if (head.startsWith("BZh"))
        return Compression::Bzip2;
    if (head.startsWith(QByteArrayView("\xFD" "7zXZ\0", 6)))
        return Compression::Xz;
    return Compression::None;
}

std::unique_ptr<ByteSource> Decompressing(Compression compression, LogFile &stored, qsizetype inputBytes)
{
    inputBytes = std::clamp<qsizetype>(inputBytes, 1, 128 * 1024);
    switch (compression) {
    case Compression::Gzip:
        return std::make_unique<GzipSource>(stored, inputBytes);
    case Compression::Zstd:
        return std::make_unique<ZstdSource>(stored, inputBytes);
    case Compression::Bzip2:
        return std::make_unique<Bzip2Source>(stored, inputBytes);
    case Compression::Xz:
        return std::make_unique<XzSource>(stored, inputBytes);
    case Compression::None:
        break;
    }
    return nullptr;
}

std::unique_ptr<ByteSource> ReadingAhead(std::unique_ptr<ByteSource> inner, qsizetype blockBytes)
{
    return std::make_unique<ReadAheadSource>(std::move(inner), blockBytes);
}
