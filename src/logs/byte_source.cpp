#include "logs/byte_source.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString reasonFor(int errorNumber)
{
    switch (errorNumber) {
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("文件不存在");
    case EACCES:
    case EPERM:
        return QStringLiteral("没有读取权限");
    case ELOOP:
        return QStringLiteral("链接无法解析");
    case EISDIR:
        return QStringLiteral("不是普通文件");
    default:
        return QStringLiteral("读取出错（错误码 %1）").arg(errorNumber);
    }
}

}  // namespace

LogFile::~LogFile()
{
    if (ownsFd_)
        ::close(fd_);
}

void LogFile::fail(int errorNumber) { errorText_ = reasonFor(errorNumber); }

bool LogFile::open(const QString &path)
{
    if (path == QLatin1String("-")) {
        fd_ = STDIN_FILENO;
        return true;
    }
    const QByteArray name = QFile::encodeName(path);
    // O_NONBLOCK keeps a FIFO from blocking the open; it is refused below.
    fd_ = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        fail(errno);
        return false;
    }
    ownsFd_ = true;
    struct stat status {};
    if (::fstat(fd_, &status) != 0) {
        fail(errno);
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        errorText_ = QStringLiteral("不是普通文件");
        return false;
    }
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    return true;
}

qint64 LogFile::readFile(char *buffer, qint64 size)
{
    if (fd_ < 0)
        return -1;
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, size_t(size));
        if (got >= 0) {
            bytesRead_.fetch_add(got, std::memory_order_relaxed);
            return got;
        }
        if (errno != EINTR) {
            fail(errno);
            return -1;
        }
    }
}

qint64 LogFile::peek(char *buffer, qint64 size)
{
    // A pipe may hand out fewer bytes per read than asked for.
    while (head_.size() < size) {
        char chunk[64];
        const qint64 got = readFile(chunk, std::min<qint64>(qint64(sizeof chunk), size - head_.size()));
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        head_.append(chunk, got);
    }
    const qint64 count = std::min<qint64>(size, head_.size());
    std::memcpy(buffer, head_.constData(), size_t(count));
    return count;
}

qint64 LogFile::read(char *buffer, qint64 size)
{
    if (head_.isEmpty())
        return readFile(buffer, size);
    const qint64 count = std::min<qint64>(size, head_.size());
    std::memcpy(buffer, head_.constData(), size_t(count));
    head_.remove(0, count);
    if (count == size)
        return count;
    // A failure here shows at the next read.
    const qint64 more = readFile(buffer + count, size - count);
    return count + std::max<qint64>(more, 0);
}
