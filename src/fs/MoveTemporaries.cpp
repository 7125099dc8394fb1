#include "fs/MoveTemporaries.h"

#include "fs/DirectoryEntries.h"
#include "fs/FileId.h"

#include <QRandomGenerator>
#include <QSet>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

namespace {

const QByteArray prefix = ".twinsift-move-";

// Whether fd is still the item called `name` in dirFd.
bool stillNamed(int dirFd, const QByteArray &name, int fd)
{
    struct stat named;
    struct stat opened;
    return ::fstatat(dirFd, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           ::fstat(fd, &opened) == 0 && named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
}

// True the first time this process asks about the folder. Never destroyed: a move may still run on a
// background queue while the process exits.
bool firstVisit(const FileId &folder)
{
    static std::mutex mutex;
    static auto *const visited = new QSet<FileId>;
    std::lock_guard lock(mutex);
    if (visited->contains(folder))
        return false;
    visited->insert(folder);
    return true;
}

void removeOnDevice(int dirFd, const QByteArray &name, dev_t device)
{
    // Linux answers EISDIR for a folder; a file with another mounted over it is busy and stays.
    if (::unlinkat(dirFd, name.constData(), 0) == 0 || errno != EISDIR)
        return;
    const UniqueFd dir(::openat(dirFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st;
    QList<QByteArray> names;
    if (!dir || ::fstat(dir.get(), &st) != 0 || st.st_dev != device || readEntryNames(dir.get(), &names) != 0)
        return;
    for (const QByteArray &entry : names)
        removeOnDevice(dir.get(), entry, device);
    ::unlinkat(dirFd, name.constData(), AT_REMOVEDIR);
}

} // namespace

std::optional<MoveTemporary> createMoveTemporary(int dirFd, bool folder, int *error)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        MoveTemporary temporary{prefix + QByteArray::number(QRandomGenerator::global()->generate64(), 36),
                                UniqueFd()};
        const char *name = temporary.name.constData();
        if (folder && ::mkdirat(dirFd, name, 0700) != 0) {
            if (errno == EEXIST)
                continue;
            break;
        }
        temporary.fd = UniqueFd(
            folder ? ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)
                   : ::openat(dirFd, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        // A name already taken, or a new folder that a mover clearing stale temporaries took away.
        if (!temporary.fd && (errno == EEXIST || (folder && errno == ENOENT)))
            continue;
        if (!temporary.fd) {
            const int openError = errno;
            if (folder)
                ::unlinkat(dirFd, name, AT_REMOVEDIR);
            errno = openError;
            break;
        }
        // Between making the item and locking it, such a mover may have taken it for stale: it then
        // holds the lock or has removed the item, and another name is tried. Where the file system has
        // no locks, the temporary goes unlocked, and no mover ever takes it for stale.
        if ((::flock(temporary.fd.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) ||
            !stillNamed(dirFd, temporary.name, temporary.fd.get()))
            continue;
        return temporary;
    }
    *error = errno;
    return std::nullopt;
}

void removeStaleMoveTemporaries(int dirFd)
{
    struct stat dir;
    QList<QByteArray> names;
    if (::fstat(dirFd, &dir) != 0 || !firstVisit(FileId{dir.st_dev, dir.st_ino}) ||
        readEntryNames(dirFd, &names) != 0)
        return;
    for (const QByteArray &name : names) {
        // Only what a mover makes is opened: opening a device may act on it.
        struct stat st;
        if (!name.startsWith(prefix) || ::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)))
            continue;
        // The lock is held until the item is gone, so that a mover that has just made it under this
        // name cannot take it for its own.
        const UniqueFd fd(::openat(dirFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (fd && ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0 && stillNamed(dirFd, name, fd.get()))
            removeWithinFileSystem(dirFd, name);
    }
}

void removeWithinFileSystem(int dirFd, const QByteArray &name)
{
    struct stat dir;
    if (::fstat(dirFd, &dir) == 0)
        removeOnDevice(dirFd, name, dir.st_dev);
}
