// Free names, permanent and trash removal, moves, and the climb through the folders a removal empties.
#include "fs/FileManagerProxy.h"

#include "fs/CrossDeviceMove.h"
#include "fs/RecursiveRemove.h"
#include "platform/RenameNoReplace.h"
#include "platform/Trash.h"
#include "platform/UniqueFd.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

const QByteArray dsStore = QByteArrayLiteral(".DS_Store");

// A move given no destination, or one that exists or has no parent folder.
Error moveRefused()
{
    return Error{QStringLiteral("FileManagerProxy"), 3, QString()};
}

Error trashRefused()
{
    return Error{QStringLiteral("No permission to move to trash!"), 2, QString()};
}

// The counter-th free-name candidate next to url: stem, "_counter", then ".extension" if there is one.
Url uniqueCandidate(const Url &url, qint64 counter)
{
    const QByteArray extension = url.pathExtension();
    const QByteArray stem = extension.isEmpty() ? url.fileName() : url.stem();
    QByteArray name = stem + '_' + QByteArray::number(counter);
    if (!extension.isEmpty())
        name += '.' + extension;
    return url.parent().child(name);
}

// Whether the climb may take dir away: a real folder (not a link to one) that could be listed and holds
// nothing but ".DS_Store". A folder that cannot be listed may hold anything, so it stays.
bool holdsNothingButDsStore(const Url &dir)
{
    const UniqueFd fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd)
        return false;
    // The first other entry settles it. The folders a clean-up climbs through mostly hold many, and
    // the kernel reads and hashes as many names as the buffer takes: a small one keeps a large
    // clean-up from reading whole folders for every file it removes.
    alignas(dirent64) char buffer[1024];
    for (;;) {
        const ssize_t length = ::getdents64(fd.get(), buffer, sizeof buffer);
        if (length <= 0)
            return length == 0;
        for (ssize_t at = 0; at < length;) {
            const auto *entry = reinterpret_cast<const dirent64 *>(buffer + at);
            const char *name = entry->d_name;
            if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0 && name != dsStore)
                return false;
            at += entry->d_reclen;
        }
    }
}

// Deletes dir when it holds nothing but ".DS_Store". rmdir alone settles most folders at no cost: an
// empty one goes, and one that holds something without a ".DS_Store" stays. Only a folder holding a
// ".DS_Store" is listed; that file goes first and the folder then with rmdir, so that an entry
// appearing meanwhile keeps the folder in place.
bool removeEmptiedFolder(const Url &dir)
{
    if (::rmdir(dir.c_str()) == 0)
        return true;
    struct stat st;
    if ((errno != ENOTEMPTY && errno != EEXIST) ||
        ::fstatat(AT_FDCWD, dir.child(dsStore).c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !holdsNothingButDsStore(dir) || removeRecursively(dir.child(dsStore)))
        return false;
    return ::rmdir(dir.c_str()) == 0;
}

// Takes away dir and each ancestor it leaves empty, until a folder still holds something or a removal
// fails. Failures end the climb silently: the removal that started it has already succeeded.
void removeEmptiedFolders(Url dir, bool toTrash)
{
    for (; !dir.isNull(); dir = dir.parent()) {
        const bool removed =
            toTrash ? holdsNothingButDsStore(dir) && !Trash::moveToTrash(dir) : removeEmptiedFolder(dir);
        if (!removed)
            return;
    }
}

// rename(2) where it can, a copy otherwise; never over an existing destination.
MaybeError moveItem(const Url &src, const Url &dst)
{
    const int error = renameNoReplace(AT_FDCWD, src.c_str(), AT_FDCWD, dst.c_str());
    MaybeError result;
    if (error == EXDEV)
        result = moveAcrossFileSystems(src, dst);
    else if (error != 0)
        result = Error::fromErrno(error, src.displayPath());
    // The destination appeared after it was checked.
    if (result && result->domain == Error::posixDomain && result->code == EEXIST)
        return moveRefused();
    return result;
}

} // namespace

Url FileManagerProxy::createUniqueURLFromURL(const Url &url) const
{
    if (url.isNull())
        return Url();
    if (!isUrlExist(url))
        return url;
    if (url.parent().isNull())
        return Url();
    for (qint64 counter = 1;; ++counter) {
        const Url candidate = uniqueCandidate(url, counter);
        if (!isUrlExist(candidate))
            return candidate;
    }
}

MaybeError FileManagerProxy::removeURL(const Url &url) const
{
    if (!isUrlExist(url))
        return std::nullopt;
    return removeRecursively(url);
}

MaybeError FileManagerProxy::removeURLToTrash(const Url &url) const
{
    if (!isUrlExist(url))
        return std::nullopt;
    if (Trash::moveToTrash(url))
        return trashRefused();
    return std::nullopt;
}

MaybeError FileManagerProxy::removeURL_WithUpperDirectory_ToTrash(const Url &url, bool upper,
                                                                  bool toTrash) const
{
    if (!isUrlExist(url))
        return std::nullopt;
    if (auto error = toTrash ? removeURLToTrash(url) : removeURL(url))
        return error;
    if (upper)
        removeEmptiedFolders(url.parent(), toTrash);
    return std::nullopt;
}

MaybeError FileManagerProxy::moveURL_toURL_removeUpper(const Url &src, const Url &dst, bool upper) const
{
    if (src.isNull())
        return std::nullopt;
    if (dst.isNull())
        return moveRefused();
    if (!isUrlExist(src))
        return std::nullopt;
    if (isUrlExist(dst))
        return moveRefused();
    const Url dstFolder = dst.parent();
    if (dstFolder.isNull())
        return moveRefused();
    if (!isUrlExist(dstFolder)) {
        if (auto error = createDirectoryAt(dstFolder))
            return error;
    }
    if (auto error = moveItem(src, dst))
        return error;
    if (upper)
        removeEmptiedFolders(src.parent(), false);
    return std::nullopt;
}

bool FileManagerProxy::isEmptyFolder(const Url &url) const
{
    if (url.isNull())
        return false;
    if (!isUrlExist(url))
        return true;
    // Only a real folder that could be read and holds nothing of the user's: a plain file, a link or
    // a folder that cannot be listed may be taken for empty by whoever then throws it away.
    return holdsNothingButDsStore(url);
}
