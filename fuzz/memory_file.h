#pragma once

// The fuzz input as a file the log reader can open by path, kept in memory.
#include <QString>

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

class MemoryFile
{
public:
    MemoryFile(const std::uint8_t *data, std::size_t size) : fd_(::memfd_create("fuzz", 0))
    {
        for (std::size_t written = 0; fd_ >= 0 && written < size;) {
            const ssize_t n = ::write(fd_, data + written, size - written);
            if (n <= 0)
                break;
            written += std::size_t(n);
        }
    }
    ~MemoryFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    MemoryFile(const MemoryFile &) = delete;
    MemoryFile &operator=(const MemoryFile &) = delete;

    QString path() const { return QStringLiteral("/proc/self/fd/%1").arg(fd_); }

private:
    int fd_;
};
