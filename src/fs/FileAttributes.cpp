#include "fs/FileAttributes.h"

#include <fcntl.h>
#include <sys/sysmacros.h>

#include <cerrno>

namespace {

// In UTC: the moment is the same, and a scan does not pay a time-zone conversion per file. Texts
// for people are made in local time.
QDateTime dateFromTimestamp(qint64 seconds, qint64 nanoseconds)
{
    return QDateTime::fromMSecsSinceEpoch(seconds * 1000 + nanoseconds / 1000000, Qt::UTC);
}

} // namespace

std::optional<FileAttributes> queryAttributes(int dirFd, const char *name, int *error)
{
    struct statx sx;
    const int flags = AT_SYMLINK_NOFOLLOW | (*name ? 0 : AT_EMPTY_PATH);
    if (::statx(dirFd, name, flags,
                STATX_TYPE | STATX_MODE | STATX_NLINK | STATX_INO | STATX_SIZE | STATX_MTIME | STATX_CTIME |
                    STATX_BTIME,
                &sx) != 0) {
        *error = errno;
        return std::nullopt;
    }
    FileAttributes attributes;
    attributes.fileSize = static_cast<qint64>(sx.stx_size);
    attributes.mode = sx.stx_mode;
    attributes.device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    attributes.inode = sx.stx_ino;
    attributes.linkCount = sx.stx_nlink;
    attributes.fileModificationDate = dateFromTimestamp(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec);
    attributes.modificationNanoseconds = qint64(sx.stx_mtime.tv_sec) * 1'000'000'000 + sx.stx_mtime.tv_nsec;
    attributes.changeNanoseconds = qint64(sx.stx_ctime.tv_sec) * 1'000'000'000 + sx.stx_ctime.tv_nsec;
    // Some file systems answer a birth time of nothing at all, the epoch: none is recorded there.
    attributes.hasBirthTime =
        (sx.stx_mask & STATX_BTIME) && (sx.stx_btime.tv_sec != 0 || sx.stx_btime.tv_nsec != 0);
    attributes.fileCreationDate = attributes.hasBirthTime
                                      ? dateFromTimestamp(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec)
                                      : attributes.fileModificationDate;
    return attributes;
}
