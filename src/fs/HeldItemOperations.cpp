// Removing, trashing and moving items held by identity: each is renamed to a private name in its own
// folder and checked there before anything is done to it, so what goes is exactly what was checked.
#include "fs/FileManagerProxy.h"

#include "fs/CrossDeviceMove.h"
#include "fs/DirectoryEntries.h"
#include "fs/EmptiedFolders.h"
#include "fs/FileOperationRules.h"
#include "fs/HeldItem.h"
#include "fs/PrivateName.h"
#include "platform/RenameNoReplace.h"
#include "platform/Trash.h"

#include <QHash>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

namespace {

using Member = HeldItem::Member;

Error failure(int error, const Url &url)
{
    return Error::fromErrno(error, url.displayPath());
}

bool exists(int folderFd, const QByteArray &name)
{
    struct stat st;
    return ::fstatat(folderFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT;
}

// Puts an item back from its private name: under its own name, or next to it when that was taken
// meanwhile, so that it is never left hidden.
void putBack(const HeldItem &item, const QByteArray &privateName)
{
    for (qint64 counter = 0; counter < 1000; ++counter) {
        const QByteArray name = counter == 0 ? item.name() : freeNameCandidate(item.name(), counter);
        if (renameNoReplace(item.folderFd(), privateName.constData(), item.folderFd(), name.constData()) !=
            EEXIST)
            return;
    }
}

// Removes from the folder dirFd what it held when listed (members by their paths below prefix) and
// nothing else: an entry added or changed since stays, as does a folder of another file system, and the
// folders holding them. Returns true when everything went.
bool removeListed(int dirFd, dev_t device, const QByteArray &prefix, const QHash<QByteArray, Member> &listed)
{
    QList<QByteArray> names;
    if (readEntryNames(dirFd, &names) != 0)
        return false;
    bool all = true;
    for (const QByteArray &name : std::as_const(names)) {
        const QByteArray path = prefix.isEmpty() ? name : prefix + '/' + name;
        struct stat st;
        if (::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            all = false;
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            const UniqueFd inner(
                ::openat(dirFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            struct stat innerStatus;
            const bool same = inner && !isMountRoot(dirFd, name) && ::fstat(inner.get(), &innerStatus) == 0 &&
                              innerStatus.st_dev == device && innerStatus.st_ino == st.st_ino;
            all = same && removeListed(inner.get(), device, path, listed) &&
                  ::unlinkat(dirFd, name.constData(), AT_REMOVEDIR) == 0 && all;
            continue;
        }
        const auto member = listed.constFind(path);
        const bool asListed =
            member != listed.cend() && member->id.device == quint64(st.st_dev) &&
            member->id.inode == quint64(st.st_ino) && member->size == st.st_size &&
            member->modificationNanoseconds == qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
        all = asListed && ::unlinkat(dirFd, name.constData(), 0) == 0 && all;
    }
    return all;
}

MaybeError removeAt(const HeldItem &item, const QByteArray &privateName)
{
    if (!item.isDirectory()) {
        if (::unlinkat(item.folderFd(), privateName.constData(), 0) != 0)
            return failure(errno, item.url());
        return std::nullopt;
    }
    int error = 0;
    const QList<Member> *members = item.members(&error);
    if (!members)
        return failure(error, item.url());
    QHash<QByteArray, Member> listed;
    for (const Member &member : *members)
        listed.insert(member.path, member);
    if (!removeListed(item.fd(), dev_t(item.id().device), QByteArray(), listed) ||
        ::unlinkat(item.folderFd(), privateName.constData(), AT_REMOVEDIR) != 0)
        return itemChanged(item.url()); // what changed inside stays, under the package's own name
    return std::nullopt;
}

} // namespace

QByteArray newPrivateName()
{
    return ".twinsift-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
}

MaybeError withPrivateName(const HeldItem &item, const std::function<MaybeError(const QByteArray &)> &act)
{
    QByteArray privateName;
    for (int error = EEXIST; error == EEXIST;) {
        privateName = newPrivateName();
        error = renameNoReplace(item.folderFd(), item.name().constData(), item.folderFd(),
                                privateName.constData());
        if (error == ENOENT)
            return itemChanged(item.url());
        if (error != 0 && error != EEXIST)
            return failure(error, item.url());
    }
    struct stat st;
    if (::fstatat(item.folderFd(), privateName.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        FileId{quint64(st.st_dev), quint64(st.st_ino)} != item.id() || !item.isUnchangedSinceOpen()) {
        putBack(item, privateName);
        return itemChanged(item.url());
    }
    MaybeError error = act(privateName);
    if (error)
        putBack(item, privateName);
    return error;
}

MaybeError FileManagerProxy::removeHeldItem(const HeldItem &item, bool upper) const
{
    if (MaybeError error =
            withPrivateName(item, [&](const QByteArray &name) { return removeAt(item, name); }))
        return error;
    if (upper)
        removeEmptiedFolders(item.url().parent(), false);
    return std::nullopt;
}

MaybeError FileManagerProxy::trashHeldItem(const HeldItem &item, bool upper, Url *trashedAs) const
{
    const MaybeError error = withPrivateName(item, [&](const QByteArray &name) -> MaybeError {
        if (const MaybeError reason =
                Trash::moveToTrash(item.url().parent().child(name), item.url(), trashedAs))
            return trashRefused(*reason);
        return std::nullopt;
    });
    if (error)
        return error;
    if (upper)
        removeEmptiedFolders(item.url().parent(), true);
    return std::nullopt;
}

MaybeError FileManagerProxy::moveHeldItem(const HeldItem &item, int folderFd, const Url &folder,
                                          const QByteArray &name, NameChoice choice, bool upper,
                                          Url *destination, QStringList *notKept) const
{
    bool acrossFileSystems = false;
    const auto moveTo = [&](const std::function<int(const QByteArray &target)> &move) -> MaybeError {
        for (qint64 counter = 0;; ++counter) {
            const QByteArray target = counter == 0 ? name : freeNameCandidate(name, counter);
            if (choice == NameChoice::FirstFree && exists(folderFd, target))
                continue;
            const int error = move(target);
            if (error == EEXIST && choice == NameChoice::FirstFree)
                continue;
            if (error == EEXIST)
                return moveRefused();
            if (error != 0)
                return failure(error, folder.child(target));
            *destination = folder.child(target);
            return std::nullopt;
        }
    };
    MaybeError error = withPrivateName(item, [&](const QByteArray &privateName) {
        return moveTo([&](const QByteArray &target) {
            const int error =
                renameNoReplace(item.folderFd(), privateName.constData(), folderFd, target.constData());
            acrossFileSystems = error == EXDEV;
            return error;
        });
    });
    if (acrossFileSystems) {
        // A copy takes long, so the item keeps its name meanwhile: the mover copies only the item held
        // and removes it only while its name still leads to what was copied.
        error = moveTo([&](const QByteArray &target) {
            if (!item.isUnchangedSinceOpen())
                return EAGAIN;
            const MaybeError moved =
                moveAcrossFileSystemsAt(item.folderFd(), item.name(), folderFd, target, item.url().path(),
                                        folder.child(target).path(), notKept, {}, item.id());
            return !moved ? 0 : moved->domain == Error::posixDomain ? int(moved->code) : EIO;
        });
        if (error && error->domain == Error::posixDomain && error->code == EAGAIN)
            error = itemChanged(item.url());
    }
    if (error)
        return error;
    if (upper)
        removeEmptiedFolders(item.url().parent(), false);
    return std::nullopt;
}
