// Free names, permanent and trash removal, and moves, by path.
#include "fs/FileManagerProxy.h"

#include "fs/CrossDeviceMove.h"
#include "fs/EmptiedFolders.h"
#include "fs/FileOperationRules.h"
#include "fs/RecursiveRemove.h"
#include "platform/RenameNoReplace.h"
#include "platform/Trash.h"
#include "platform/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

// The free-name candidate next to url: stem, "_counter", then ".extension" if there is one.
Url uniqueCandidate(const Url &url, qint64 counter)
{
    return url.parent().child(freeNameCandidate(url.fileName(), counter));
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
    if (const MaybeError reason = Trash::moveToTrash(url))
        return trashRefused(*reason);
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
