#include "fs/FolderWalk.h"

#include <QList>

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

namespace {

// A folder to work in: readable where permitted, else a path descriptor, which still serves the
// *at calls that rename, link and remove its entries.
UniqueFd openFolderAt(int dirFd, const char *name, int noFollow)
{
    UniqueFd fd(::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | noFollow));
    if (!fd && errno == EACCES)
        fd = UniqueFd(::openat(dirFd, name, O_PATH | O_DIRECTORY | O_CLOEXEC | noFollow));
    return fd;
}

bool isBelow(const Url &anchor, const Url &folder)
{
    const QByteArray &a = anchor.path();
    const QByteArray &f = folder.path();
    if (a == "/")
        return f.startsWith('/');
    return f == a || (f.startsWith(a) && f.at(a.size()) == '/');
}

// Makes the folder and its missing ancestors by path, as mkdir -p does.
void makeFolderPath(const Url &folder)
{
    if (folder.isNull() || ::mkdir(folder.c_str(), 0777) == 0 || errno != ENOENT)
        return;
    makeFolderPath(folder.parent());
    ::mkdir(folder.c_str(), 0777);
}

} // namespace

UniqueFd openFolderBelow(const Url &anchor, const Url &folder, bool create, int *error)
{
    const bool walk = !anchor.isNull() && isBelow(anchor, folder);
    const Url &start = walk ? anchor : folder;
    if (create)
        makeFolderPath(start);
    UniqueFd fd = openFolderAt(AT_FDCWD, start.c_str(), 0);
    if (!fd || !walk) {
        *error = fd ? 0 : errno;
        return fd;
    }
    const QByteArray below = folder.path().mid(anchor.path() == "/" ? 1 : anchor.path().size() + 1);
    for (const QByteArray &name : below.split('/')) {
        if (name.isEmpty())
            continue;
        UniqueFd next = openFolderAt(fd.get(), name.constData(), O_NOFOLLOW);
        if (!next && errno == ENOENT && create &&
            (::mkdirat(fd.get(), name.constData(), 0777) == 0 || errno == EEXIST))
            next = openFolderAt(fd.get(), name.constData(), O_NOFOLLOW);
        if (!next) {
            *error = errno;
            return UniqueFd();
        }
        fd = std::move(next);
    }
    *error = 0;
    return fd;
}
