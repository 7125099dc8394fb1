// Replacing held files by a hard link to, or a clone of, a copy that stays, and the way back: each new
// item is made whole under a private name in the file's folder and takes the file's name only after the
// file was renamed aside and checked, as a removal checks it.
#include "fs/FileManagerProxy.h"

#include "fs/ExtendedAttributes.h"
#include "fs/FileOperationRules.h"
#include "fs/HeldItem.h"
#include "fs/MoveTemporaries.h"
#include "fs/PrivateName.h"
#include "platform/RenameNoReplace.h"
#include "platform/StringTable.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

const QString domain = QStringLiteral("FileManagerProxy");

Error copyChanged(const HeldItem &item, const HeldItem &staying)
{
    //% "%1 changed since it was compared, so %2 was left in place."
    return Error{domain, 5,
                 StringTable::text("CLEAN_COPY_CHANGED_STRING")
                     .arg(staying.url().displayPath(), item.url().displayPath())};
}

Error noClone(const HeldItem &item, int error)
{
    //% "%1 was left in place: its file system cannot share blocks between files (%2)."
    return Error{domain, 6,
                 StringTable::text("CLEAN_NO_REFLINK_STRING")
                     .arg(item.url().displayPath(), QString::fromLocal8Bit(std::strerror(error)))};
}

Error linkAcross(const HeldItem &item, const HeldItem &staying)
{
    //% "%1 was left in place: a hard link cannot reach %2 on another file system."
    return Error{domain, 7,
                 StringTable::text("CLEAN_LINK_ACROSS_FILE_SYSTEMS_STRING")
                     .arg(item.url().displayPath(), staying.url().displayPath())};
}

FileId idOf(const struct stat &st)
{
    return FileId{quint64(st.st_dev), quint64(st.st_ino)};
}

// What the file had of its own, given to the item that takes its place: owner first (a new owner
// drops capabilities), then attributes (an ACL may change the mode), then mode and times.
void giveMetadata(int fd, const struct stat &metadata, const HeldItem *attributesFrom)
{
    // Without the privilege to give the file away, its group may still be one of the user's.
    if (::fchown(fd, metadata.st_uid, metadata.st_gid) != 0)
        ::fchown(fd, uid_t(-1), metadata.st_gid);
    if (attributesFrom)
        copyExtendedAttributes(AttributeHandle::open(attributesFrom->fd()), AttributeHandle::open(fd));
    ::fchmod(fd, metadata.st_mode & 07777);
    const timespec times[2] = {metadata.st_atim, metadata.st_mtim};
    ::futimens(fd, times);
}

// Copies every byte through read and write: copy_file_range may share blocks where the copy must not.
int copyBytes(int from, int to)
{
    char buffer[1 << 16];
    for (off_t offset = 0;;) {
        const ssize_t got = ::pread(from, buffer, sizeof buffer, offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got < 0 ? errno : 0;
        for (ssize_t written = 0; written < got;) {
            const ssize_t put = ::write(to, buffer + written, size_t(got - written));
            if (put < 0 && errno != EINTR)
                return errno;
            written += std::max<ssize_t>(put, 0);
        }
        offset += got;
    }
}

// Gives the held item's name to the item made at `made` in its folder: the file is renamed aside and
// checked, the made item renamed to the name, and the file unlinked. On failure the file is back.
MaybeError swapIn(const HeldItem &item, const QByteArray &made)
{
    return withPrivateName(item, [&](const QByteArray &aside) -> MaybeError {
        const int folder = item.folderFd();
        if (const int error = renameNoReplace(folder, made.constData(), folder, item.name().constData()))
            return Error::fromErrno(error, item.url().displayPath());
        if (::unlinkat(folder, aside.constData(), 0) != 0) {
            const int error = errno;
            // The file takes its name back over what was made for it.
            ::renameat(folder, aside.constData(), folder, item.name().constData());
            return Error::fromErrno(error, item.url().displayPath());
        }
        return std::nullopt;
    });
}

} // namespace

MaybeError FileManagerProxy::replaceHeldItem(const HeldItem &item, const HeldItem &staying, LinkKind kind,
                                             FileId *replacement, const std::function<void()> &made) const
{
    const int folder = item.folderFd();
    if (kind == LinkKind::Hard && item.id().device != staying.id().device)
        return linkAcross(item, staying);
    QByteArray name;
    // A clone is made in a locked move temporary, so that one a killed task left is swept away by the
    // next move into the folder or by the undo.
    std::optional<MoveTemporary> clone;
    if (kind == LinkKind::Reflink) {
        int error = 0;
        clone = createMoveTemporary(folder, false, &error);
        if (!clone)
            return Error::fromErrno(error, item.url().parent().displayPath());
        name = clone->name;
        if (::ioctl(clone->fd.get(), FICLONE, staying.fd()) != 0) {
            error = errno;
            ::unlinkat(folder, name.constData(), 0);
            return error == EXDEV || error == EOPNOTSUPP || error == EINVAL || error == ENOTTY
                       ? noClone(item, error)
                       : Error::fromErrno(error, item.url().displayPath());
        }
        giveMetadata(clone->fd.get(), item.status(), &item);
    } else {
        // Through /proc, a descriptor is linked without the privilege that AT_EMPTY_PATH needs.
        const QByteArray proc = "/proc/self/fd/" + QByteArray::number(staying.fd());
        int result;
        do {
            name = newPrivateName();
            result = ::linkat(AT_FDCWD, proc.constData(), folder, name.constData(), AT_SYMLINK_FOLLOW);
        } while (result != 0 && errno == EEXIST);
        if (result != 0)
            return errno == EXDEV ? linkAcross(item, staying)
                                  : Error::fromErrno(errno, item.url().displayPath());
    }
    if (made)
        made();
    struct stat st;
    const bool linked = ::fstatat(folder, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                        (kind == LinkKind::Reflink || idOf(st) == staying.id());
    if (!linked || !staying.isStillNamed() || !staying.isUnchangedSinceOpen()) {
        ::unlinkat(folder, name.constData(), 0);
        return copyChanged(item, staying);
    }
    if (MaybeError error = swapIn(item, name)) {
        ::unlinkat(folder, name.constData(), 0);
        return error;
    }
    *replacement = idOf(st);
    return std::nullopt;
}

MaybeError FileManagerProxy::unshareHeldItem(const HeldItem &item, const struct stat &metadata,
                                             bool ownAttributes, FileId *copy) const
{
    const int folder = item.folderFd();
    int error = 0;
    std::optional<MoveTemporary> made = createMoveTemporary(folder, false, &error);
    if (!made)
        return Error::fromErrno(error, item.url().parent().displayPath());
    struct stat st;
    if ((error = copyBytes(item.fd(), made->fd.get())) == 0) {
        giveMetadata(made->fd.get(), metadata, ownAttributes ? &item : nullptr);
        if (::fsync(made->fd.get()) != 0 || ::fstat(made->fd.get(), &st) != 0)
            error = errno;
    }
    if (error) {
        ::unlinkat(folder, made->name.constData(), 0);
        return Error::fromErrno(error, item.url().displayPath());
    }
    if (!item.isUnchangedSinceOpen()) {
        ::unlinkat(folder, made->name.constData(), 0);
        return itemChanged(item.url());
    }
    if (MaybeError failure = swapIn(item, made->name)) {
        ::unlinkat(folder, made->name.constData(), 0);
        return failure;
    }
    *copy = idOf(st);
    return std::nullopt;
}
