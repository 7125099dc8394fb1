#include "cli/PlannedMoves.h"

#include "fs/FileManagerProxy.h"

Url PlannedMoves::destinationOf(const Url &file)
{
    const FileManagerProxy &fm = FileManagerProxy::sharedInstance();
    const Url named = m_folder.child(file.fileName());
    const QByteArray extension = named.pathExtension();
    const QByteArray stem = extension.isEmpty() ? named.fileName() : named.stem();
    Url target = named;
    for (qint64 counter = 1; m_planned.contains(target) || fm.isUrlExist(target); ++counter)
        target = m_folder.child(stem + '_' + QByteArray::number(counter) +
                                (extension.isEmpty() ? QByteArray() : '.' + extension));
    m_planned.insert(target);
    return target;
}
