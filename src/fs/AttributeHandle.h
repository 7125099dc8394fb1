#pragma once

#include <QByteArray>

#include <sys/stat.h>
#include <sys/types.h>

// The way to one item's attributes (owner, permissions, times, extended attributes): a descriptor open
// on the item, or, for a link or special file (which are not opened: a FIFO would block, a device
// might act), its name in an open folder, never followed. Each call returns 0 or -1 with errno set, as
// the system call it stands for.
class AttributeHandle
{
public:
    static AttributeHandle open(int fd) { return AttributeHandle(fd, -1, QByteArray()); }
    static AttributeHandle named(int dirFd, const QByteArray &name)
    {
        return AttributeHandle(-1, dirFd, name);
    }

    int setOwner(uid_t owner, gid_t group) const;
    // Not for links, which have no permissions of their own.
    int setMode(mode_t mode) const;
    int setTimes(const struct stat &st) const;

    // As flistxattr, fgetxattr, fsetxattr and fremovexattr (the l* calls for a named item).
    ssize_t listXattrs(char *names, size_t size) const;
    ssize_t getXattr(const char *name, void *value, size_t size) const;
    int setXattr(const char *name, const void *value, size_t size) const;
    int removeXattr(const char *name) const;

private:
    AttributeHandle(int fd, int dirFd, const QByteArray &name);

    int m_fd;
    int m_dirFd;
    QByteArray m_name;
    // The xattr calls have no *at form: a named item is reached through its folder's descriptor in /proc.
    QByteArray m_procPath;
};
