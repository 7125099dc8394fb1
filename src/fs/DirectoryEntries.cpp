#include "fs/DirectoryEntries.h"

#include "platform/DescriptorLimit.h"

#include <dirent.h>
#include <fcntl.h>

#include <cerrno>

int readEntryNames(int dirFd, QList<QByteArray> *names)
{
    // The stream gets its own descriptor, since closing the stream closes it.
    const int copy = openRaisingDescriptorLimit([dirFd] { return ::fcntl(dirFd, F_DUPFD_CLOEXEC, 0); });
    if (copy < 0)
        return errno;
    DIR *dir = ::fdopendir(copy);
    if (!dir) {
        const int error = errno;
        ::close(copy);
        return error;
    }
    ::rewinddir(dir);
    errno = 0;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names->append(name);
    }
    const int error = errno;
    ::closedir(dir);
    return error;
}
