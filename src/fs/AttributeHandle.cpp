#include "fs/AttributeHandle.h"

#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

AttributeHandle::AttributeHandle(int fd, int dirFd, const QByteArray &name)
    : m_fd(fd), m_dirFd(dirFd), m_name(name),
      m_procPath(fd < 0 ? "/proc/self/fd/" + QByteArray::number(dirFd) + '/' + name : QByteArray())
{
}

int AttributeHandle::setOwner(uid_t owner, gid_t group) const
{
    return m_fd >= 0 ? ::fchown(m_fd, owner, group)
                     : ::fchownat(m_dirFd, m_name.constData(), owner, group, AT_SYMLINK_NOFOLLOW);
}

int AttributeHandle::setMode(mode_t mode) const
{
    return m_fd >= 0 ? ::fchmod(m_fd, mode) : ::fchmodat(m_dirFd, m_name.constData(), mode, 0);
}

int AttributeHandle::setTimes(const struct stat &st) const
{
    const timespec times[2] = {st.st_atim, st.st_mtim};
    return m_fd >= 0 ? ::futimens(m_fd, times)
                     : ::utimensat(m_dirFd, m_name.constData(), times, AT_SYMLINK_NOFOLLOW);
}

ssize_t AttributeHandle::listXattrs(char *names, size_t size) const
{
    return m_fd >= 0 ? ::flistxattr(m_fd, names, size) : ::llistxattr(m_procPath.constData(), names, size);
}

ssize_t AttributeHandle::getXattr(const char *name, void *value, size_t size) const
{
    return m_fd >= 0 ? ::fgetxattr(m_fd, name, value, size)
                     : ::lgetxattr(m_procPath.constData(), name, value, size);
}

int AttributeHandle::setXattr(const char *name, const void *value, size_t size) const
{
    return m_fd >= 0 ? ::fsetxattr(m_fd, name, value, size, 0)
                     : ::lsetxattr(m_procPath.constData(), name, value, size, 0);
}

int AttributeHandle::removeXattr(const char *name) const
{
    return m_fd >= 0 ? ::fremovexattr(m_fd, name) : ::lremovexattr(m_procPath.constData(), name);
}
