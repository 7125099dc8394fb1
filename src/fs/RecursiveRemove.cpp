#include "fs/RecursiveRemove.h"

#include "fs/DirectoryEntries.h"
#include "platform/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

namespace {

Error failure(int error, const QByteArray &path)
{
    return Error::fromErrno(error, Url::fromPath(path).displayPath());
}

// device: the file system the removal started on; none for the item it started with.
MaybeError removeTree(int dirFd, const QByteArray &name, const QByteArray &path, std::optional<dev_t> device)
{
    if (::unlinkat(dirFd, name.constData(), 0) == 0 || errno == ENOENT)
        return std::nullopt;
    // Linux answers EISDIR for a directory; POSIX allows EPERM, which may also mean a real refusal.
    const int unlinkError = errno;
    struct stat st;
    if (::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? MaybeError() : failure(errno, path);
    if (!S_ISDIR(st.st_mode))
        return failure(unlinkError, path);
    // A file system mounted inside is not the folder's to remove.
    if (device && (st.st_dev != *device || isMountRoot(dirFd, name)))
        return failure(EXDEV, path);

    const UniqueFd dir(::openat(dirFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!dir)
        return errno == ENOENT ? MaybeError() : failure(errno, path);
    QList<QByteArray> names;
    if (const int error = readEntryNames(dir.get(), &names))
        return failure(error, path);
    for (const QByteArray &entry : names) {
        if (auto error = removeTree(dir.get(), entry, path + '/' + entry, st.st_dev))
            return error;
    }
    if (::unlinkat(dirFd, name.constData(), AT_REMOVEDIR) != 0 && errno != ENOENT)
        return failure(errno, path);
    return std::nullopt;
}

} // namespace

MaybeError removeRecursivelyAt(int dirFd, const QByteArray &name, const QByteArray &path)
{
    return removeTree(dirFd, name, path, std::nullopt);
}

MaybeError removeRecursively(const Url &url)
{
    if (url.isNull())
        return std::nullopt;
    // The whole path as the name: links in the folders above are the caller's choice of path; only the
    // item itself must not be followed.
    return removeRecursivelyAt(AT_FDCWD, url.path(), url.path());
}
