#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>

// A stream of bytes the log reader works on: a log file, or its bytes
// decompressed. Read once, from start to end.
class ByteSource
{
public:
    virtual ~ByteSource() = default;

    // Up to `size` bytes into `buffer`; 0 at the end, -1 on failure.
    virtual qint64 read(char *buffer, qint64 size) = 0;
    // Why the last open or read failed, in Chinese for the report.
    virtual QString errorText() const = 0;
};

// A log file opened for reading, or standard input for the path "-".
// Opening never blocks (a FIFO named like a log is refused, not waited on)
// and accepts regular files only.
class LogFile final : public ByteSource
{
public:
    LogFile() = default;
    ~LogFile() override;
    LogFile(const LogFile &) = delete;
    LogFile &operator=(const LogFile &) = delete;

    bool open(const QString &path);
    qint64 read(char *buffer, qint64 size) override;
    QString errorText() const override { return errorText_; }

    // The first bytes of the file, up to `size`, without using them up: the
    // next reads return them again. Called before the first read; -1 on failure.
    qint64 peek(char *buffer, qint64 size);
    // Bytes taken from the file so far, peeked ones included. Safe to ask
    // from another thread than the one reading.
    qint64 bytesRead() const { return bytesRead_.load(std::memory_order_relaxed); }

private:
    void fail(int errorNumber);
    qint64 readFile(char *buffer, qint64 size);

    int fd_ = -1;
    bool ownsFd_ = false;
    QByteArray head_;  // peeked bytes not yet read
    std::atomic<qint64> bytesRead_ = 0;
    QString errorText_;
};
