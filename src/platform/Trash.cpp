#include "platform/Trash.h"

#include "platform/RenameNoReplace.h"
#include "platform/UniqueFd.h"
#include "platform/WriteAll.h"

#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <memory>

namespace {

const QByteArray infoSuffix = QByteArrayLiteral(".trashinfo");
// The info file's name must stay within NAME_MAX too.
constexpr qsizetype maxTrashName = NAME_MAX - (sizeof(".trashinfo") - 1);

Error failure(int error, const QByteArray &path)
{
    return Error::fromErrno(error, Url::fromPath(path).displayPath());
}

QByteArray homeTrashPath()
{
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    if (dataHome.startsWith('/'))
        return dataHome + "/Trash";
    QByteArray home = qgetenv("HOME");
    if (!home.startsWith('/')) {
        const passwd *user = ::getpwuid(::getuid());
        home = user ? QByteArray(user->pw_dir) : QByteArray();
    }
    return home + "/.local/share/Trash";
}

// The device of the path, or of its nearest existing ancestor: the file system a folder not yet
// created would be on.
std::optional<dev_t> deviceOf(Url path)
{
    for (; !path.isNull(); path = path.parent()) {
        struct stat st;
        if (::stat(path.c_str(), &st) == 0)
            return st.st_dev;
    }
    return std::nullopt;
}

// The absolute path of the item, its parent folder resolved (links, "..", "."); the item's own name is
// kept, so a link is trashed as a link.
std::optional<QByteArray> resolvedPath(const Url &item, int *error)
{
    const Url absolute = Url::fromAbsolutePath(item.path());
    const Url parent = absolute.parent();
    const QByteArray name = absolute.fileName();
    if (parent.isNull() || name.isEmpty() || name == "." || name == "..") {
        *error = EINVAL;
        return std::nullopt;
    }
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(parent.c_str(), nullptr), &std::free);
    if (!real) {
        *error = errno;
        return std::nullopt;
    }
    return Url::fromPath(real.get()).child(name).path();
}

// The top folder of the mount that holds the item: the highest ancestor on the item's device.
QByteArray mountTop(const QByteArray &path, dev_t device)
{
    Url top = Url::fromPath(path);
    for (Url dir = top.parent(); !dir.isNull(); dir = dir.parent()) {
        struct stat st;
        if (::stat(dir.c_str(), &st) != 0 || st.st_dev != device)
            break;
        top = dir;
    }
    return top.path();
}

// 0 when path is a directory of ours (not a link to one), else the errno value that says why not.
int checkOwnDirectory(const QByteArray &path)
{
    struct stat st;
    if (::lstat(path.constData(), &st) != 0)
        return errno;
    if (!S_ISDIR(st.st_mode))
        return ENOTDIR;
    return st.st_uid == ::getuid() ? 0 : EPERM;
}

int makeOwnDirectory(const QByteArray &path)
{
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return errno;
    return checkOwnDirectory(path);
}

// Makes the folder and any missing ancestors, each new one with mode 0700.
int makeDirectoryPath(const Url &path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) == 0)
        return 0;
    if (!path.parent().isNull()) {
        if (const int error = makeDirectoryPath(path.parent()))
            return error;
    }
    return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST ? 0 : errno;
}

// A trash folder ready to take items: files/ and info/ present and not links.
MaybeError prepareTrash(const QByteArray &trash)
{
    for (const QByteArray &path : {trash, trash + "/files", trash + "/info"}) {
        if (const int error = makeOwnDirectory(path))
            return failure(error, path);
    }
    return std::nullopt;
}

std::optional<QByteArray> homeTrash(Error *error)
{
    const QByteArray trash = homeTrashPath();
    if (const int failed = makeDirectoryPath(Url::fromPath(trash).parent())) {
        *error = failure(failed, trash);
        return std::nullopt;
    }
    if (const auto failed = prepareTrash(trash)) {
        *error = *failed;
        return std::nullopt;
    }
    return trash;
}

// $topdir/.Trash/$uid when the administrator made $topdir/.Trash a sticky folder; else $topdir/.Trash-$uid.
std::optional<QByteArray> volumeTrash(const QByteArray &top, Error *error)
{
    const QByteArray base = top == "/" ? QByteArray() : top;
    const QByteArray uid = QByteArray::number(::getuid());
    const QByteArray shared = base + "/.Trash";
    struct stat st;
    if (::lstat(shared.constData(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
        const QByteArray own = shared + '/' + uid;
        if (!prepareTrash(own))
            return own;
    }
    const QByteArray own = base + "/.Trash-" + uid;
    if (const auto failed = prepareTrash(own)) {
        *error = *failed;
        return std::nullopt;
    }
    return own;
}

QByteArray deletionDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    const size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return QByteArray(text, static_cast<qsizetype>(length));
}

// The name for the n-th try: the item's own name first, then a counter before the extension.
QByteArray candidateName(const QByteArray &name, qint64 counter)
{
    qsizetype dot = name.lastIndexOf('.');
    // A leading dot marks a hidden name, not an extension; an extension this long cannot be kept.
    if (dot <= 0 || name.size() - dot > maxTrashName / 2)
        dot = name.size();
    const QByteArray stem = name.left(dot);
    const QByteArray tail = (counter > 0 ? "_" + QByteArray::number(counter) : QByteArray()) + name.mid(dot);
    return stem.left(maxTrashName - tail.size()) + tail;
}

// Writes the info file under a name free in both info/ and files/, then renames the item into files/
// under that name. The info file comes first, so a crash never leaves an item without one.
MaybeError trashInto(const QByteArray &trash, const QByteArray &item, const QByteArray &infoPath,
                     Url *trashedAs)
{
    const QByteArray info =
        "[Trash Info]\nPath=" + infoPath.toPercentEncoding("/") + "\nDeletionDate=" + deletionDate() + '\n';
    const QByteArray name = Url::fromPath(infoPath).fileName();
    for (qint64 counter = 0;; ++counter) {
        const QByteArray candidate = candidateName(name, counter);
        const QByteArray target = trash + "/files/" + candidate;
        const QByteArray infoFile = trash + "/info/" + candidate + infoSuffix;
        struct stat st;
        if (::lstat(target.constData(), &st) == 0)
            continue;
        UniqueFd fd(::open(infoFile.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (!fd && errno == EEXIST)
            continue;
        if (!fd)
            return failure(errno, infoFile);
        if (writeAll(fd.get(), info.constData(), size_t(info.size())) != 0 || fd.close() != 0) {
            const int error = errno;
            ::unlink(infoFile.constData());
            return failure(error, infoFile);
        }
        const int error = renameNoReplace(AT_FDCWD, item.constData(), AT_FDCWD, target.constData());
        if (error == 0) {
            if (trashedAs)
                *trashedAs = Url::fromPath(target);
            return std::nullopt;
        }
        ::unlink(infoFile.constData());
        if (error != EEXIST)
            return failure(error, item);
    }
}

} // namespace

namespace Trash {

MaybeError moveToTrash(const Url &item)
{
    return moveToTrash(item, item);
}

MaybeError moveToTrash(const Url &item, const Url &shownAs, Url *trashedAs)
{
    if (item.isNull() || shownAs.isNull())
        return failure(EINVAL, QByteArray());
    int resolveError = 0;
    const auto path = resolvedPath(item, &resolveError);
    const auto shownPath = path ? resolvedPath(shownAs, &resolveError) : std::nullopt;
    if (!path || !shownPath)
        return failure(resolveError, shownAs.path());
    struct stat st;
    if (::lstat(path->constData(), &st) != 0)
        return failure(errno, *path);

    Error error;
    if (deviceOf(Url::fromPath(homeTrashPath())) == st.st_dev) {
        const auto trash = homeTrash(&error);
        if (!trash)
            return error;
        return trashInto(*trash, *path, *shownPath, trashedAs);
    }
    const QByteArray top = mountTop(*path, st.st_dev);
    // A mount point cannot be renamed away from its mount.
    if (top == *path)
        return failure(EBUSY, *path);
    const auto trash = volumeTrash(top, &error);
    if (!trash)
        return error;
    const QByteArray relative = shownPath->mid(top == "/" ? 1 : top.size() + 1);
    return trashInto(*trash, *path, relative, trashedAs);
}

} // namespace Trash

namespace Trash {

void forget(const Url &trashedItem)
{
    const Url files = trashedItem.parent();
    if (files.fileName() != "files" || files.parent().isNull())
        return;
    ::unlink(files.parent().child("info").child(trashedItem.fileName() + infoSuffix).c_str());
}

} // namespace Trash
