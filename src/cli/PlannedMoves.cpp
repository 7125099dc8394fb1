#include "cli/PlannedMoves.h"

#include "fs/FileManagerProxy.h"
#include "fs/FileOperationRules.h"

Url PlannedMoves::destinationOf(const Url &file)
{
    const FileManagerProxy &fm = FileManagerProxy::sharedInstance();
    Url target = m_folder.child(file.fileName());
    for (qint64 counter = 1; m_planned.contains(target) || fm.isUrlExist(target); ++counter)
        target = m_folder.child(freeNameCandidate(file.fileName(), counter));
    m_planned.insert(target);
    return target;
}
