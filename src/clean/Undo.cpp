// Undoing the newest clean task that moved files: each file goes back to its place, its source and a
// group, and a source the task had taken out of the list comes back. Only the item the task moved goes
// back, along a way that follows no link below the file's source; whatever cannot be put back is
// reported.
#include "clean/CleanFrontEnd.h"
#include "clean/RemovalSafety.h"
#include "fs/FileManagerProxy.h"
#include "fs/FileOperationRules.h"
#include "fs/FolderWalk.h"
#include "fs/HeldItem.h"
#include "model/FingerprintSource.h"
#include "platform/RenameNoReplace.h"
#include "platform/SerialQueue.h"
#include "platform/StringTable.h"
#include "scan/ManagerCore.h"
#include "scan/ScanSettings.h"
#include "scan/SourceNodeManager.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace {

Error notRestored(const char *key, const MyTreeNode &node)
{
    return Error{RemovalSafety::errorDomain, RemovalSafety::changedSinceScan,
                 StringTable::text(key).arg(node.filePath(), node.removeDstURL().displayPath())};
}

// Moves whatever took the file's former name meanwhile aside, to the first free name next to it.
MaybeError moveAside(int folderFd, const Url &place)
{
    for (qint64 counter = 1;; ++counter) {
        const QByteArray aside = freeNameCandidate(place.fileName(), counter);
        const int error =
            renameNoReplace(folderFd, place.fileName().constData(), folderFd, aside.constData());
        if (error == 0 || error == ENOENT)
            return std::nullopt;
        if (error != EEXIST)
            return Error::fromErrno(error, place.displayPath());
    }
}

// Puts one moved file back; the reason when it cannot be, and it stays where it is.
MaybeError moveBack(const MyTreeNode &node)
{
    const FileManagerProxy &fm = FileManagerProxy::sharedInstance();
    const Url place = node.FileURL();
    const Url moved = node.removeDstURL();
    if (place.isNull() || moved.isNull() || !node.rootNode())
        //% "%1 cannot be put back: its source was removed. It stays at %2."
        return notRestored(QT_TRID_NOOP("UNDO_NO_SOURCE_STRING"), node);
    int error = 0;
    const std::optional<HeldItem> held = HeldItem::open(moved, Url(), &error);
    const bool same = held && held->id() == node.removeDstId() &&
                      (node.isDir() ? held->isDirectory()
                                    : held->isRegularFile() && held->size() == node.FileSize() &&
                                          held->modificationNanoseconds() == node.modificationNanoseconds());
    if (!same)
        //% "%1 cannot be put back: what is at %2 is not the file moved there."
        return notRestored(QT_TRID_NOOP("UNDO_MOVED_FILE_CHANGED_STRING"), node);
    const UniqueFd folder = openFolderBelow(RemovalSafety::anchorOf(node), place.parent(), true, &error);
    if (!folder)
        return Error::fromErrno(error, place.parent().displayPath());
    struct stat st;
    if (::fstatat(folder.get(), place.fileName().constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (MaybeError aside = moveAside(folder.get(), place))
            return aside;
    }
    Url destination;
    return fm.moveHeldItem(*held, folder.get(), place.parent(), place.fileName(),
                           FileManagerProxy::NameChoice::Exact, false, &destination);
}

} // namespace

void SourceNodeManager::undoTask(const QObject *)
{
    if (m_undoArray.isEmpty() || m_core->taskStatus == 0)
        return;
    m_core->taskStatus = 0;
    const UndoRecord record = m_undoArray.takeLast();
    m_undoFailures.clear();
    Q_EMIT cleanTaskStateChanged();
    scanQueue().async([core = m_core, record, frontEnd = m_cleanFrontEnd] {
        QList<FileFailure> failures;
        for (const MyTreeNode::Ptr &node : record) {
            core->status.setText(node->filePath());
            if (MaybeError error = moveBack(*node)) {
                failures.append({node, *error});
                continue;
            }
            const RootNode::Ptr root = node->rootNode();
            FingerprintSource fingerprints(ScanSettings::preciseLevel());
            core->takeIn(node, root, fingerprints);
            core->withManager([&](SourceNodeManager &manager) {
                if (!manager.rootNodes().contains(root)) {
                    manager.rootController().addObject(root);
                    Q_EMIT manager.sourcesChanged();
                }
            });
        }
        core->withManager([&](SourceNodeManager &manager) {
            core->taskStatus = 1;
            manager.m_undoFailures = failures;
            manager.updateStatBar(QStringLiteral(" "));
            manager.syncAllSatus();
            Q_EMIT manager.cleanTaskStateChanged();
            if (frontEnd && !failures.isEmpty())
                frontEnd->reportUndoFailures(failures);
        });
        core->taskStatus = 1;
    });
}
