#include "fs/CrossDeviceMove.h"

#include "fs/AttributeHandle.h"
#include "fs/DirectoryEntries.h"
#include "fs/ExtendedAttributes.h"
#include "fs/MoveTemporaries.h"
#include "platform/RenameNoReplace.h"
#include "platform/UniqueFd.h"

#include <QHash>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace {

Error failure(int error, const QByteArray &path)
{
    return Error::fromErrno(error, Url::fromPath(path).displayPath());
}

// What a copy did not keep, in the words of the system call that refused it.
QString lossText(const QByteArray &path, const QString &what, int error)
{
    return Error::fromErrno(error, Url::fromPath(path).displayPath() + QStringLiteral(": ") + what +
                                       QStringLiteral(" not kept"))
        .description;
}

// What an item looked like when it was copied; a source that no longer matches has changed since.
struct Snapshot
{
    ino_t inode;
    off_t size;
    timespec modified;

    explicit Snapshot(const struct stat &st) : inode(st.st_ino), size(st.st_size), modified(st.st_mtim) {}
    bool matches(const struct stat &st) const
    {
        return st.st_ino == inode && st.st_size == size && st.st_mtim.tv_sec == modified.tv_sec &&
               st.st_mtim.tv_nsec == modified.tv_nsec;
    }
};

// Copies a regular file's bytes, leaving holes as holes. Returns 0 or the errno value.
int copyData(int from, int to, off_t size)
{
    std::vector<char> buffer(1 << 18);
    off_t offset = 0;
    while (offset < size) {
        off_t data = ::lseek(from, offset, SEEK_DATA);
        off_t hole = data < 0 ? -1 : ::lseek(from, data, SEEK_HOLE);
        if (data < 0 && errno == ENXIO)
            break; // only a hole is left
        if (data < 0 || hole < 0) {
            // No hole information from this file system: everything is data.
            data = offset;
            hole = size;
        }
        hole = std::min(hole, size);
        for (off_t at = data; at < hole;) {
            const size_t want = static_cast<size_t>(std::min<off_t>(hole - at, buffer.size()));
            const ssize_t got = ::pread(from, buffer.data(), want, at);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return errno;
            if (got == 0)
                return EAGAIN; // the file shrank under us
            for (ssize_t put = 0; put < got;) {
                const ssize_t n = ::pwrite(to, buffer.data() + put, static_cast<size_t>(got - put), at + put);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0)
                    return errno;
                put += n;
            }
            at += got;
        }
        offset = hole;
    }
    return ::ftruncate(to, size) == 0 ? 0 : errno;
}

// Copies one item and what it holds, and remembers what each source item looked like.
class TreeCopy
{
public:
    // Only items on the source's own file system are copied: a file system mounted inside a folder
    // is not the folder's to move, and removing the source afterwards would empty it.
    explicit TreeCopy(dev_t device) : m_device(device) {}

    // Creates dstName in dstDir, refusing an existing name, as a copy of srcName in srcDir.
    MaybeError copy(int srcDir, const QByteArray &srcName, int dstDir, const QByteArray &dstName,
                    const QByteArray &srcPath, const QByteArray &dstPath);
    // Fills the new, empty file `out` with a copy of the regular file srcName, and syncs it.
    MaybeError copyFileInto(int srcDir, const QByteArray &srcName, int out, const QByteArray &srcPath,
                            const QByteArray &dstPath);
    // Fills the new, empty folder `out` with copies of what the folder srcName holds.
    MaybeError copyFolderInto(int srcDir, const QByteArray &srcName, int out, const QByteArray &srcPath,
                              const QByteArray &dstPath);
    // Makes dstName anew as a link with the same target, or a special file of the same kind.
    MaybeError copyOther(int srcDir, const QByteArray &srcName, int dstDir, const QByteArray &dstName,
                         const QByteArray &srcPath, const QByteArray &dstPath);

    // Removes from the source what was copied and has not changed since, a folder once it is empty.
    // Anything else stays, and the first such item is reported.
    MaybeError removeCopied(int srcDir, const QByteArray &srcName, const QByteArray &srcPath) const;
    static MaybeError unlinkIfCopied(int srcDir, const QByteArray &srcName, const QByteArray &srcPath,
                                     const Snapshot &copied);
    // Whether the item copied from srcPath was the inode given.
    bool copiedInode(const QByteArray &srcPath, ino_t inode) const
    {
        const auto copied = m_copied.constFind(srcPath);
        return copied != m_copied.cend() && copied->inode == inode;
    }

    // What the copies could not keep, one text per item and attribute.
    const QStringList &notKept() const { return m_notKept; }

private:
    // Gives the copy the source's owner, extended attributes, permissions and times, in this order: a
    // new owner drops set-user-ID bits and file capabilities, an ACL sets permission bits, and the
    // times of a folder must follow everything written into it.
    MaybeError copyAttributes(const struct stat &st, const AttributeHandle &from, const AttributeHandle &to,
                              const QByteArray &dstPath);

    dev_t m_device;
    QHash<QByteArray, Snapshot> m_copied; // by source path
    QStringList m_notKept;
};

MaybeError TreeCopy::copy(int srcDir, const QByteArray &srcName, int dstDir, const QByteArray &dstName,
                          const QByteArray &srcPath, const QByteArray &dstPath)
{
    struct stat st;
    if (::fstatat(srcDir, srcName.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return failure(errno, srcPath);
    if (st.st_dev != m_device)
        return failure(EXDEV, srcPath);
    if (S_ISREG(st.st_mode)) {
        UniqueFd out(::openat(dstDir, dstName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (!out)
            return failure(errno, dstPath);
        if (auto error = copyFileInto(srcDir, srcName, out.get(), srcPath, dstPath))
            return error;
        return out.close() == 0 ? MaybeError() : failure(errno, dstPath);
    }
    if (S_ISDIR(st.st_mode)) {
        // Private until complete; the final mode is set once everything inside is written.
        if (::mkdirat(dstDir, dstName.constData(), 0700) != 0)
            return failure(errno, dstPath);
        const UniqueFd out(
            ::openat(dstDir, dstName.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!out)
            return failure(errno, dstPath);
        return copyFolderInto(srcDir, srcName, out.get(), srcPath, dstPath);
    }
    return copyOther(srcDir, srcName, dstDir, dstName, srcPath, dstPath);
}

MaybeError TreeCopy::copyFileInto(int srcDir, const QByteArray &srcName, int out, const QByteArray &srcPath,
                                  const QByteArray &dstPath)
{
    // Not blocking: a FIFO may have taken the file's place since it was looked at.
    const UniqueFd in(::openat(srcDir, srcName.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st;
    if (!in || ::fstat(in.get(), &st) != 0)
        return failure(errno, srcPath);
    if (!S_ISREG(st.st_mode))
        return failure(EAGAIN, srcPath); // replaced since it was looked at
    if (const int error = copyData(in.get(), out, st.st_size))
        return failure(error, error == EAGAIN ? srcPath : dstPath);
    if (auto error = copyAttributes(st, AttributeHandle::open(in.get()), AttributeHandle::open(out), dstPath))
        return error;
    if (::fsync(out) != 0)
        return failure(errno, dstPath);
    m_copied.insert(srcPath, Snapshot(st));
    return std::nullopt;
}

MaybeError TreeCopy::copyFolderInto(int srcDir, const QByteArray &srcName, int out, const QByteArray &srcPath,
                                    const QByteArray &dstPath)
{
    const UniqueFd in(::openat(srcDir, srcName.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st;
    if (!in || ::fstat(in.get(), &st) != 0)
        return failure(errno, srcPath);
    QList<QByteArray> names;
    if (const int error = readEntryNames(in.get(), &names))
        return failure(error, srcPath);
    for (const QByteArray &name : names) {
        if (auto error = copy(in.get(), name, out, name, srcPath + '/' + name, dstPath + '/' + name))
            return error;
    }
    if (auto error = copyAttributes(st, AttributeHandle::open(in.get()), AttributeHandle::open(out), dstPath))
        return error;
    if (::fsync(out) != 0)
        return failure(errno, dstPath);
    m_copied.insert(srcPath, Snapshot(st));
    return std::nullopt;
}

MaybeError TreeCopy::copyOther(int srcDir, const QByteArray &srcName, int dstDir, const QByteArray &dstName,
                               const QByteArray &srcPath, const QByteArray &dstPath)
{
    struct stat st;
    if (::fstatat(srcDir, srcName.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return failure(errno, srcPath);
    if (S_ISLNK(st.st_mode)) {
        QByteArray target(st.st_size > 0 ? st.st_size + 1 : 256, Qt::Uninitialized);
        ssize_t length;
        while ((length = ::readlinkat(srcDir, srcName.constData(), target.data(), target.size())) ==
               target.size())
            target.resize(target.size() * 2);
        if (length < 0)
            return failure(errno, srcPath);
        target.truncate(length);
        if (::symlinkat(target.constData(), dstDir, dstName.constData()) != 0)
            return failure(errno, dstPath);
    } else if (::mknodat(dstDir, dstName.constData(), (st.st_mode & S_IFMT) | 0600, st.st_rdev) != 0) {
        return failure(errno, dstPath);
    }
    // From here on the new item is ours to take back, as a failed copy of a file is.
    if (auto error = copyAttributes(st, AttributeHandle::named(srcDir, srcName),
                                    AttributeHandle::named(dstDir, dstName), dstPath)) {
        ::unlinkat(dstDir, dstName.constData(), 0);
        return error;
    }
    m_copied.insert(srcPath, Snapshot(st));
    return std::nullopt;
}

MaybeError TreeCopy::copyAttributes(const struct stat &st, const AttributeHandle &from,
                                    const AttributeHandle &to, const QByteArray &dstPath)
{
    if (to.setOwner(st.st_uid, st.st_gid) != 0) {
        if (::geteuid() == 0)
            m_notKept << lossText(dstPath, QStringLiteral("owner and group"), errno);
        else
            to.setOwner(uid_t(-1), st.st_gid); // the group, where the user belongs to it, as mv does
    }
    for (const AttributeLoss &loss : copyExtendedAttributes(from, to)) {
        const QString what = loss.name.isEmpty()
                                 ? QStringLiteral("extended attributes")
                                 : QStringLiteral("extended attribute ") + QString::fromUtf8(loss.name);
        m_notKept << lossText(dstPath, what, loss.error);
    }
    // A link has no permissions of its own.
    if ((!S_ISLNK(st.st_mode) && to.setMode(st.st_mode & 07777) != 0) || to.setTimes(st) != 0)
        return failure(errno, dstPath);
    return std::nullopt;
}

MaybeError TreeCopy::unlinkIfCopied(int srcDir, const QByteArray &srcName, const QByteArray &srcPath,
                                    const Snapshot &copied)
{
    // Renamed aside first: what is unlinked is then what was looked at, not whatever took the name in
    // between (an editor's save); anything else goes back.
    const QByteArray aside = ".twinsift-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
    if (const int error = renameNoReplace(srcDir, srcName.constData(), srcDir, aside.constData()))
        return failure(error, srcPath);
    struct stat st;
    if (::fstatat(srcDir, aside.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !copied.matches(st)) {
        renameNoReplace(srcDir, aside.constData(), srcDir, srcName.constData());
        return failure(EAGAIN, srcPath);
    }
    if (::unlinkat(srcDir, aside.constData(), 0) != 0) {
        const int error = errno;
        renameNoReplace(srcDir, aside.constData(), srcDir, srcName.constData());
        return failure(error, srcPath);
    }
    return std::nullopt;
}

MaybeError TreeCopy::removeCopied(int srcDir, const QByteArray &srcName, const QByteArray &srcPath) const
{
    struct stat st;
    if (::fstatat(srcDir, srcName.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? MaybeError() : failure(errno, srcPath);
    const auto copied = m_copied.constFind(srcPath);
    if (copied == m_copied.cend() || (!S_ISDIR(st.st_mode) && !copied->matches(st)))
        return failure(EAGAIN, srcPath); // appeared or changed after it was copied
    if (!S_ISDIR(st.st_mode))
        return unlinkIfCopied(srcDir, srcName, srcPath, *copied);
    const UniqueFd dir(
        ::openat(srcDir, srcName.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!dir)
        return failure(errno, srcPath);
    QList<QByteArray> names;
    if (const int error = readEntryNames(dir.get(), &names))
        return failure(error, srcPath);
    // Everything that can go goes; the first thing that must stay is reported.
    MaybeError first;
    for (const QByteArray &name : names) {
        auto error = removeCopied(dir.get(), name, srcPath + '/' + name);
        if (error && !first)
            first = error;
    }
    if (::unlinkat(srcDir, srcName.constData(), AT_REMOVEDIR) != 0 && !first)
        first = failure(errno, srcPath);
    return first;
}

} // namespace

MaybeError moveAcrossFileSystemsAt(int srcDir, const QByteArray &srcName, int dstDir,
                                   const QByteArray &dstName, const QByteArray &srcPath,
                                   const QByteArray &dstPath, QStringList *notKept,
                                   const std::function<void()> &copied, const std::optional<FileId> &expected)
{
    struct stat st;
    if (::fstatat(srcDir, srcName.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return failure(errno, srcPath);
    const auto isExpected = [&](dev_t device, ino_t inode) {
        return !expected || (expected->device == quint64(device) && expected->inode == quint64(inode));
    };
    if (!isExpected(st.st_dev, st.st_ino))
        return failure(EAGAIN, srcPath);
    removeStaleMoveTemporaries(dstDir);
    const bool folder = S_ISDIR(st.st_mode);

    TreeCopy copy(st.st_dev);
    if (S_ISREG(st.st_mode) || folder) {
        // Files and folders are made under a temporary name, so that dstName never shows a partial copy.
        int error = 0;
        const auto temporary = createMoveTemporary(dstDir, folder, &error);
        if (!temporary)
            return failure(error, dstPath);
        MaybeError copyError =
            folder ? copy.copyFolderInto(srcDir, srcName, temporary->fd.get(), srcPath, dstPath)
                   : copy.copyFileInto(srcDir, srcName, temporary->fd.get(), srcPath, dstPath);
        // Copied by name: the name must have led to the expected item all along.
        if (!copyError &&
            !(isExpected(st.st_dev, st.st_ino) && (!expected || copy.copiedInode(srcPath, st.st_ino))))
            copyError = failure(EAGAIN, srcPath);
        if (!copyError && copied)
            copied();
        if (!copyError) {
            if (const int renameError =
                    renameNoReplace(dstDir, temporary->name.constData(), dstDir, dstName.constData()))
                copyError = failure(renameError, dstPath);
        }
        if (copyError) {
            removeWithinFileSystem(dstDir, temporary->name);
            return copyError;
        }
    } else {
        if (auto error = copy.copyOther(srcDir, srcName, dstDir, dstName, srcPath, dstPath))
            return error;
        if (copied)
            copied();
    }

    // The copy must be on disk under its final name before the source goes.
    if (::fsync(dstDir) != 0) {
        const int error = errno;
        removeWithinFileSystem(dstDir, dstName);
        return failure(error, dstPath);
    }
    auto removeError = copy.removeCopied(srcDir, srcName, srcPath);
    if (removeError && !folder) {
        ::unlinkat(dstDir, dstName.constData(), 0);
        return removeError;
    }
    if (notKept)
        *notKept << copy.notKept();
    return removeError;
}

MaybeError moveAcrossFileSystems(const Url &src, const Url &dst, QStringList *notKept,
                                 const std::function<void()> &copied)
{
    const Url srcParent = src.parent();
    const Url dstParent = dst.parent();
    if (srcParent.isNull() || dstParent.isNull())
        return failure(EINVAL, src.path());
    const UniqueFd srcDir(::open(srcParent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!srcDir)
        return failure(errno, srcParent.path());
    const UniqueFd dstDir(::open(dstParent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dstDir)
        return failure(errno, dstParent.path());
    return moveAcrossFileSystemsAt(srcDir.get(), src.fileName(), dstDir.get(), dst.fileName(), src.path(),
                                   dst.path(), notKept, copied);
}
