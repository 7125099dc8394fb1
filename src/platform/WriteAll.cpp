#include "platform/WriteAll.h"

#include <unistd.h>

#include <cerrno>

int writeAll(int fd, const char *data, std::size_t size)
{
    for (std::size_t written = 0; written < size;) {
        const ssize_t n = ::write(fd, data + written, size - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return EIO;
        written += std::size_t(n);
    }
    return 0;
}
