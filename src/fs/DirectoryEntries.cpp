#include "fs/DirectoryEntries.h"

#include "platform/DescriptorLimit.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

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

bool isMountRoot(int dirFd, const QByteArray &name)
{
    struct statx status;
    if (::statx(dirFd, name.constData(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_BASIC_STATS, &status) !=
        0)
        return false;
    return (status.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) &&
           (status.stx_attributes & STATX_ATTR_MOUNT_ROOT);
}
