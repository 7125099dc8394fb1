#include "fs/ReadHandle.h"

#include "fs/ReadMeter.h"
#include "platform/DescriptorLimit.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <utility>

std::optional<ReadHandle> ReadHandle::open(int dirFd, const char *name, Url url, const FileId &expected,
                                           int *error)
{
    const int fd = openRaisingDescriptorLimit(
        [&] { return ::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC); });
    if (fd < 0) {
        *error = errno;
        return std::nullopt;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        FileId{quint64(st.st_dev), quint64(st.st_ino)} != expected) {
        ::close(fd);
        *error = EAGAIN;
        return std::nullopt;
    }
    return ReadHandle(fd, std::move(url), st.st_size);
}

std::optional<ReadHandle> ReadHandle::duplicate() const
{
    const int fd = ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        return std::nullopt;
    return ReadHandle(fd, m_url, m_size);
}

ReadHandle::ReadHandle(ReadHandle &&other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_url(std::move(other.m_url)), m_size(other.m_size),
      m_failure(other.m_failure)
{
}

ReadHandle &ReadHandle::operator=(ReadHandle &&other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
        m_url = std::move(other.m_url);
        m_size = other.m_size;
        m_failure = other.m_failure;
    }
    return *this;
}

ReadHandle::~ReadHandle()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

qint64 ReadHandle::readAt(char *buffer, qint64 length, qint64 offset)
{
    if (length <= 0 || offset < 0)
        return 0;
    // Nothing lies where offsets overflow; the kernel would answer EINVAL rather than the end.
    length = std::min(length, std::numeric_limits<qint64>::max() - offset);
    qint64 total = 0;
    while (total < length) {
        const ssize_t count =
            ::pread(m_fd, buffer + total, static_cast<size_t>(length - total), offset + total);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            m_failure = Failure{errno, offset + total};
            return -1;
        }
        if (count == 0)
            break;
        total += count;
    }
    ReadMeter::add(total);
    return total;
}

void ReadHandle::readAhead(qint64 offset, qint64 length) const
{
    // Only advice: a file system that cannot take it is read as it comes.
    ::posix_fadvise(m_fd, offset, length, POSIX_FADV_WILLNEED);
}
