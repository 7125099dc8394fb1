#include "fs/ExtendedAttributes.h"

#include <cerrno>

namespace {

const QByteArray aclNames[] = {"system.posix_acl_access", "system.posix_acl_default"};

// Reads a list or a value whose size may change between asking for the size and reading it.
// Returns 0 or the errno value.
template <typename Read> int readGrowing(QByteArray *into, Read read)
{
    for (;;) {
        const ssize_t size = read(nullptr, 0);
        if (size < 0)
            return errno;
        into->resize(size);
        const ssize_t got = read(into->data(), size_t(into->size()));
        if (got >= 0) {
            into->truncate(got);
            return 0;
        }
        if (errno != ERANGE)
            return errno;
    }
}

} // namespace

QList<AttributeLoss> copyExtendedAttributes(const AttributeHandle &from, const AttributeHandle &to)
{
    QList<AttributeLoss> lost;
    QByteArray list;
    if (const int error =
            readGrowing(&list, [&](char *names, size_t size) { return from.listXattrs(names, size); })) {
        // A file system without extended attributes has none to lose.
        if (error != ENOTSUP)
            lost << AttributeLoss{QByteArray(), error};
        return lost;
    }
    QList<QByteArray> names = list.split('\0');
    names.removeAll(QByteArray());
    for (const QByteArray &name : names) {
        QByteArray value;
        int error = readGrowing(
            &value, [&](char *data, size_t size) { return from.getXattr(name.constData(), data, size); });
        if (error == ENODATA)
            continue; // removed since it was listed
        if (error == 0 && to.setXattr(name.constData(), value.constData(), size_t(value.size())) != 0)
            error = errno;
        if (error != 0)
            lost << AttributeLoss{name, error};
    }
    for (const QByteArray &acl : aclNames) {
        // Nothing to take off (ENODATA), no ACLs here at all (ENOTSUP), no default ACL on a file (EACCES).
        if (!names.contains(acl) && to.removeXattr(acl.constData()) != 0 && errno != ENODATA &&
            errno != ENOTSUP && errno != EACCES)
            lost << AttributeLoss{acl, errno};
    }
    return lost;
}
