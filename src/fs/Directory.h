#pragma once

#include "fs/FileAttributes.h"
#include "platform/UniqueFd.h"
#include "platform/Url.h"

#include <QByteArray>
#include <QList>

#include <cerrno>

#include <optional>

// An open folder. TwinSift walks trees from folder to folder through these: each folder is opened
// relative to the one that listed it and never through a symbolic link, so a folder swapped for a link
// while a walk runs ends that branch of the walk instead of leading it elsewhere.
class Directory
{
public:
    // The folder at url itself; a link to a folder is not opened. *error holds the errno value when
    // there is no folder.
    static std::optional<Directory> open(const Url &url, int *error);
    // The entry `name` of this folder, when it is a folder itself (not a link to one).
    std::optional<Directory> openChild(const QByteArray &name, int *error) const;

    const Url &url() const { return m_url; }
    int fd() const { return m_fd.get(); }

    // The names in the folder, "." and ".." left out. Returns 0 or the errno value.
    int entryNames(QList<QByteArray> *names) const;
    // What the entry `name` is, itself (a link is not followed); no attributes sets *error.
    std::optional<FileAttributes> attributesOf(const QByteArray &name, int *error) const;
    // The folder's own attributes.
    std::optional<FileAttributes> attributes(int *error) const;

private:
    Directory(UniqueFd fd, Url url) : m_fd(std::move(fd)), m_url(std::move(url)) {}
    static std::optional<Directory> openAt(int dirFd, const char *name, Url url, int *error);

    UniqueFd m_fd;
    Url m_url;
};

// Whether an open or query of an item just listed failed because the item is gone or was replaced (by a
// link, by something of another kind, or by another file: EAGAIN from ReadHandle): it is then simply
// not there any more, which is nothing to report.
inline bool isVanishedItemError(int error)
{
    return error == ENOENT || error == ENOTDIR || error == ELOOP || error == EAGAIN;
}
