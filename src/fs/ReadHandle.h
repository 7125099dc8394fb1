#pragma once

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

    // Opens the file at url (a final symbolic link is followed). No handle when it cannot be opened;
    // *error then holds the errno value. Only regular files are opened: a folder gives EISDIR, and a
    // FIFO, device or socket gives ENXIO without blocking, since reading one may never end.
    static std::optional<ReadHandle> open(const Url &url, int *error);
    // Opens the item at url only when the path itself names a regular file, a final symbolic link
    // not followed; *size then holds its size. No handle in every other case, errno untouched by
    // contract: callers fall back to asking about the item first.
    static std::optional<ReadHandle> openRegularFile(const Url &url, qint64 *size);

    ReadHandle(ReadHandle &&other) noexcept;
    ReadHandle &operator=(ReadHandle &&other) noexcept;
    ReadHandle(const ReadHandle &) = delete;
    ReadHandle &operator=(const ReadHandle &) = delete;
    ~ReadHandle();

    const Url &url() const { return m_url; }
    // A second handle on the same open file, for reads elsewhere in it at the same time.
    std::optional<ReadHandle> duplicate() const;

    // Reads up to length bytes at offset into buffer, going on after short reads until length bytes
    // are in or the end of the file is met. Returns the count (0 at or past the end), or -1 when a
    // read fails; the failure is then kept in failure().
    qint64 readAt(char *buffer, qint64 length, qint64 offset);
    const std::optional<Failure> &failure() const { return m_failure; }

private:
    ReadHandle(int fd, Url url) : m_fd(fd), m_url(std::move(url)) {}

    int m_fd = -1;
    Url m_url;
    std::optional<Failure> m_failure;
};
