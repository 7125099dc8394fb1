#pragma once

#include "fs/FileId.h"
#include "platform/Url.h"

#include <QtGlobal>

#include <optional>

// An open, read-only descriptor of a regular file, closed when the handle goes away. Reads are
// positional, so the handle has no file position and reads may come in any order.
class ReadHandle
{
public:
    // A read that failed: the errno value and the offset it was made at.
    struct Failure
    {
        int error = 0;
        qint64 offset = 0;
    };

    // Opens for reading the regular file `name` (in the folder dirFd, or a whole path with AT_FDCWD),
    // when it is still the file `expected` that the caller looked at first, so that nothing but regular
    // files is ever opened. A final symbolic link is not followed; a FIFO or device put in its place
    // meanwhile is closed again unread (O_NONBLOCK and O_NOCTTY make that open harmless). No handle
    // sets *error to the errno value, or to EAGAIN when the item opened is not the file expected.
    static std::optional<ReadHandle> open(int dirFd, const char *name, Url url, const FileId &expected,
                                          int *error);

    ReadHandle(ReadHandle &&other) noexcept;
    ReadHandle &operator=(ReadHandle &&other) noexcept;
    ReadHandle(const ReadHandle &) = delete;
    ReadHandle &operator=(const ReadHandle &) = delete;
    ~ReadHandle();

    const Url &url() const { return m_url; }
    // The file's size when it was opened.
    qint64 size() const { return m_size; }
    // A second handle on the same open file, for reads elsewhere in it at the same time.
    std::optional<ReadHandle> duplicate() const;

    // Reads up to length bytes at offset into buffer, going on after short reads until length bytes
    // are in or the end of the file is met. Returns the count (0 at or past the end), or -1 when a
    // read fails; the failure is then kept in failure().
    qint64 readAt(char *buffer, qint64 length, qint64 offset);
    const std::optional<Failure> &failure() const { return m_failure; }

    // Asks the kernel to start reading the range into the page cache now, without waiting for it, so
    // that one thread keeps reads of several files in flight.
    void readAhead(qint64 offset, qint64 length) const;

private:
    ReadHandle(int fd, Url url, qint64 size) : m_fd(fd), m_url(std::move(url)), m_size(size) {}

    int m_fd = -1;
    Url m_url;
    qint64 m_size = 0;
    std::optional<Failure> m_failure;
};
