#include "fs/ReadHandle.h"

#include "fs/ReadMeter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <utility>

std::optional<ReadHandle> ReadHandle::open(const Url &url, int *error)
{
    // O_NONBLOCK keeps open() from waiting for a writer when the path leads to a FIFO; it does not
    // change how a regular file is read.
    const int fd = ::open(url.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        *error = errno;
        return std::nullopt;
    }
    struct stat st;
    int refusal = 0;
    if (::fstat(fd, &st) != 0)
        refusal = errno;
    else if (S_ISDIR(st.st_mode))
        refusal = EISDIR;
    else if (!S_ISREG(st.st_mode))
        refusal = ENXIO;
    if (refusal != 0) {
        ::close(fd);
        *error = refusal;
        return std::nullopt;
    }
    return ReadHandle(fd, url);
}

std::optional<ReadHandle> ReadHandle::openRegularFile(const Url &url, qint64 *size)
{
    const int fd = ::open(url.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0)
        return std::nullopt;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    *size = st.st_size;
    return ReadHandle(fd, url);
}

std::optional<ReadHandle> ReadHandle::duplicate() const
{
    const int fd = ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        return std::nullopt;
    return ReadHandle(fd, m_url);
}

ReadHandle::ReadHandle(ReadHandle &&other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_url(std::move(other.m_url)), m_failure(other.m_failure)
{
}

ReadHandle &ReadHandle::operator=(ReadHandle &&other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
        m_url = std::move(other.m_url);
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
