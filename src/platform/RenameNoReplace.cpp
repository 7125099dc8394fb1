#include "platform/RenameNoReplace.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

int renameChecked(int fromDirFd, const char *from, int toDirFd, const char *to)
{
    struct stat st;
    if (::fstatat(toDirFd, to, &st, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    return ::renameat(fromDirFd, from, toDirFd, to) == 0 ? 0 : errno;
}

} // namespace

int renameNoReplace(int fromDirFd, const char *from, int toDirFd, const char *to)
{
    if (::renameat2(fromDirFd, from, toDirFd, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // EINVAL also answers a directory moved into itself; the fallbacks below refuse that too.
    struct stat st;
    if (::fstatat(fromDirFd, from, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (S_ISDIR(st.st_mode))
        return renameChecked(fromDirFd, from, toDirFd, to);
    if (::linkat(fromDirFd, from, toDirFd, to, 0) != 0) {
        // File systems without hard links (FAT, some network file systems).
        if (errno == EPERM || errno == EOPNOTSUPP || errno == EMLINK)
            return renameChecked(fromDirFd, from, toDirFd, to);
        return errno;
    }
    if (::unlinkat(fromDirFd, from, 0) != 0) {
        const int error = errno;
        ::unlinkat(toDirFd, to, 0);
        return error;
    }
    return 0;
}
