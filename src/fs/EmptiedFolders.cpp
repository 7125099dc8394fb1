// The climb through the folders a removal leaves empty.
#include "fs/EmptiedFolders.h"

#include "fs/RecursiveRemove.h"
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

} // namespace

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

namespace {

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

} // namespace

void removeEmptiedFolders(Url dir, bool toTrash)
{
    for (; !dir.isNull(); dir = dir.parent()) {
        const bool removed =
            toTrash ? holdsNothingButDsStore(dir) && !Trash::moveToTrash(dir) : removeEmptiedFolder(dir);
        if (!removed)
            return;
    }
}
