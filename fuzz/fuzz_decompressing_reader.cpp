// Reads arbitrary bytes as a gzip, zstd, bzip2 or xz log (the first byte
// picks which): the read ends, cleanly or with a fault whose offset lies in
// the stored file, and never runs past a bound of output.
#include "logs/compressed_source.h"
#include "memory_file.h"

#include <QRegularExpression>

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    static const Compression kinds[] = {Compression::Gzip, Compression::Zstd, Compression::Bzip2, Compression::Xz};
    const Compression compression = kinds[data[0] % 4];
    MemoryFile memory(data + 1, size - 1);
    LogFile stored;
    if (!stored.open(memory.path()))
        std::abort();
    const std::unique_ptr<ByteSource> source = Decompressing(compression, stored, 1 + data[0] % 64);
    std::vector<char> buffer(1 + data[0] % 4096);
    qint64 total = 0;
    for (;;) {
        const qint64 got = source->read(buffer.data(), qint64(buffer.size()));
        if (got == 0)
            return 0;
        if (got < 0)
            break;
        total += got;
        if (total > (qint64(64) << 20))
            return 0;  // a bomb: the reader would go on in bounded memory
    }
    static const QRegularExpression fault(QStringLiteral("^文件已损坏（第 (\\d+) 字节）$"));
    const QRegularExpressionMatch match = fault.match(source->errorText());
    if (!match.hasMatch() || match.captured(1).toLongLong() > qint64(size - 1))
        std::abort();
    return 0;
}
