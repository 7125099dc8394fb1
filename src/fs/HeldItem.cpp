#include "fs/HeldItem.h"

#include "fs/DirectoryEntries.h"
#include "fs/FolderWalk.h"

#include <fcntl.h>
#include <sys/file.h>

#include <algorithm>
#include <cerrno>

namespace {

qint64 nanoseconds(const timespec &time)
{
    return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

// Adds what the folder dirFd holds below prefix to members; 0 or the errno value.
int addMembers(int dirFd, dev_t device, const QByteArray &prefix, QList<HeldItem::Member> *members)
{
    QList<QByteArray> names;
    if (const int error = readEntryNames(dirFd, &names))
        return error;
    for (const QByteArray &name : std::as_const(names)) {
        struct stat st;
        if (::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return errno;
        const QByteArray path = prefix.isEmpty() ? name : prefix + '/' + name;
        if (!S_ISDIR(st.st_mode)) {
            members->append({path, mode_t(st.st_mode & S_IFMT),
                             FileId{quint64(st.st_dev), quint64(st.st_ino)}, qint64(st.st_size),
                             nanoseconds(st.st_mtim)});
            continue;
        }
        if (st.st_dev != device || isMountRoot(dirFd, name))
            return EXDEV;
        const UniqueFd inner(
            ::openat(dirFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!inner)
            return errno;
        if (const int error = addMembers(inner.get(), device, path, members))
            return error;
    }
    return 0;
}

} // namespace

HeldItem::HeldItem(Url url, UniqueFd folder, QByteArray name, UniqueFd fd, const struct stat &status)
    : m_url(std::move(url)), m_folder(std::move(folder)), m_name(std::move(name)), m_fd(std::move(fd)),
      m_status(status)
{
}

std::optional<HeldItem> HeldItem::open(const Url &url, const Url &anchor, int *error)
{
    const Url parent = url.parent();
    if (parent.isNull()) {
        *error = EINVAL;
        return std::nullopt;
    }
    UniqueFd folder = openFolderBelow(anchor, parent, false, error);
    if (!folder)
        return std::nullopt;
    const QByteArray name = url.fileName();
    UniqueFd fd(
        ::openat(folder.get(), name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat status;
    if (!fd || ::fstat(fd.get(), &status) != 0) {
        *error = errno;
        return std::nullopt;
    }
    *error = 0;
    return HeldItem(url, std::move(folder), name, std::move(fd), status);
}

qint64 HeldItem::modificationNanoseconds() const
{
    return nanoseconds(m_status.st_mtim);
}

bool HeldItem::tryLock(Lock lock) const
{
    const int operation = (lock == Lock::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    int result;
    do
        result = ::flock(m_fd.get(), operation);
    while (result != 0 && errno == EINTR);
    return result == 0;
}

bool HeldItem::isUnchangedSinceOpen() const
{
    if (isDirectory()) {
        int error = 0;
        const std::optional<QList<Member>> now = listMembers(&error);
        return now && (!m_members || *now == *m_members);
    }
    struct stat now;
    return ::fstat(m_fd.get(), &now) == 0 && now.st_size == m_status.st_size &&
           nanoseconds(now.st_mtim) == modificationNanoseconds();
}

bool HeldItem::isStillNamed() const
{
    struct stat now, named;
    return ::fstat(m_fd.get(), &now) == 0 && now.st_nlink > 0 &&
           ::fstatat(m_folder.get(), m_name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           named.st_dev == m_status.st_dev && named.st_ino == m_status.st_ino;
}

const QList<HeldItem::Member> *HeldItem::members(int *error) const
{
    if (!m_members)
        m_members = listMembers(error);
    else
        *error = 0;
    return m_members ? &*m_members : nullptr;
}

std::optional<QList<HeldItem::Member>> HeldItem::listMembers(int *error) const
{
    QList<Member> listed;
    *error = isDirectory() ? addMembers(m_fd.get(), m_status.st_dev, QByteArray(), &listed) : ENOTDIR;
    if (*error)
        return std::nullopt;
    std::sort(listed.begin(), listed.end(), [](const Member &a, const Member &b) { return a.path < b.path; });
    return listed;
}
