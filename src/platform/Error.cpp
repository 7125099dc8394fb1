#include "platform/Error.h"

#include "platform/StringTable.h"

#include <cstring>

Error Error::fromErrno(int errnoValue, const QString &path)
{
    const QString reason = QString::fromLocal8Bit(std::strerror(errnoValue));
    return Error{posixDomain, errnoValue, path.isEmpty() ? reason : QStringLiteral("%1: %2").arg(path, reason)};
}

QString Error::localizedDescription() const
{
    if (!description.isEmpty())
        return description;
    //% "The operation could not be completed. (%1 error %2.)"
    return StringTable::text("ERROR_DOMAIN_CODE_STRING").arg(domain).arg(code);
}
