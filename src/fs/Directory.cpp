#include "fs/Directory.h"

#include "fs/DirectoryEntries.h"
#include "platform/DescriptorLimit.h"

#include <fcntl.h>

#include <cerrno>

std::optional<Directory> Directory::open(const Url &url, int *error)
{
    if (url.isNull()) {
        *error = ENOENT;
        return std::nullopt;
    }
    return openAt(AT_FDCWD, url.c_str(), url, error);
}

std::optional<Directory> Directory::openChild(const QByteArray &name, int *error) const
{
    return openAt(m_fd.get(), name.constData(), m_url.child(name), error);
}

std::optional<Directory> Directory::openAt(int dirFd, const char *name, Url url, int *error)
{
    UniqueFd fd(openRaisingDescriptorLimit(
        [&] { return ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC); }));
    if (!fd) {
        *error = errno;
        return std::nullopt;
    }
    return Directory(std::move(fd), std::move(url));
}

int Directory::entryNames(QList<QByteArray> *names) const
{
    return readEntryNames(m_fd.get(), names);
}

std::optional<FileAttributes> Directory::attributesOf(const QByteArray &name, int *error) const
{
    return queryAttributes(m_fd.get(), name.constData(), error);
}

std::optional<FileAttributes> Directory::attributes(int *error) const
{
    return queryAttributes(m_fd.get(), "", error);
}
