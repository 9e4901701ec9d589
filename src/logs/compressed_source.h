#pragma once

#include "logs/byte_source.h"
#include "logs/log_record.h"

#include <QByteArrayView>

#include <memory>

// The compression a file's first bytes show (gzip, zstd, bzip2, xz), by
// their magic numbers; None for anything else.
Compression DetectCompression(QByteArrayView head);

// The bytes of `stored` decompressed as they are read, in bounded memory,
// taking at most `inputBytes` (up to 128 KiB) of the stored file at a time.
// A read fails at a corrupt or truncated stream, with the error text
// "文件已损坏（第 N 字节）", N the offset in the stored file where it showed.
std::unique_ptr<ByteSource> Decompressing(Compression compression, LogFile &stored, qsizetype inputBytes);

// Reads `inner` on a thread of its own, one block of `blockBytes` ahead of
// the caller, so that a compressed log is searched while its next block is
// decompressed. Memory: two blocks.
std::unique_ptr<ByteSource> ReadingAhead(std::unique_ptr<ByteSource> inner, qsizetype blockBytes);
