#include "platform/Error.h"

#include <cstring>

Error Error::fromErrno(int errnoValue, const QString &path)
{
    const QString reason = QString::fromLocal8Bit(std::strerror(errnoValue));
    return Error{posixDomain, errnoValue, path.isEmpty() ? reason : QStringLiteral("%1: %2").arg(path, reason)};
}
