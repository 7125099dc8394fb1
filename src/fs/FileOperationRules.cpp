#include "fs/FileOperationRules.h"

#include "platform/StringTable.h"

Error moveRefused()
{
    return Error{QStringLiteral("FileManagerProxy"), 3, QString()};
}

Error trashRefused(const Error &reason)
{
    // The domain is the message; the reason the trash gave is kept for the person reading it.
    return Error{QStringLiteral("No permission to move to trash!"), 2, reason.localizedDescription()};
}

Error itemChanged(const Url &url)
{
    //% "%1 changed or moved since the scan, so it was left in place."
    return Error{QStringLiteral("FileManagerProxy"), 4,
                 StringTable::text("CLEAN_FILE_CHANGED_STRING").arg(url.displayPath())};
}

QByteArray freeNameCandidate(const QByteArray &name, qint64 counter)
{
    const Url url = Url::fromPath(name);
    const QByteArray extension = url.pathExtension();
    QByteArray candidate = (extension.isEmpty() ? name : url.stem()) + '_' + QByteArray::number(counter);
    if (!extension.isEmpty())
        candidate += '.' + extension;
    return candidate;
}
