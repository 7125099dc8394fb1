// Undoing the newest clean task that moved files: each file goes back to its place, its source and a
// group, and a source the task had taken out of the list comes back.
#include "fs/FileManagerProxy.h"
#include "model/FingerprintSource.h"
#include "platform/SerialQueue.h"
#include "scan/ManagerCore.h"
#include "scan/ScanSettings.h"
#include "scan/SourceNodeManager.h"

namespace {

// Puts one moved file back; false when it cannot be, and it stays where it is.
bool moveBack(const MyTreeNode &node)
{
    const FileManagerProxy &fm = FileManagerProxy::sharedInstance();
    const Url place = node.FileURL();
    const Url moved = node.removeDstURL();
    if (place.isNull() || moved.isNull() || !node.rootNode() || !fm.isUrlExist(moved))
        return false;
    // Whatever took the file's place meanwhile moves aside to a free name next to it.
    if (fm.isUrlExist(place)) {
        Url aside = fm.createUniqueURLFromURL(place);
        while (fm.isUrlExist(aside))
            aside = fm.createUniqueURLFromURL(place);
        if (fm.moveURL_toURL_removeUpper(place, aside, false))
            return false;
    }
    return !fm.moveURL_toURL_removeUpper(moved, place, false);
}

} // namespace

void SourceNodeManager::undoTask(const QObject *)
{
    if (m_undoArray.isEmpty() || m_core->taskStatus == 0)
        return;
    m_core->taskStatus = 0;
    const UndoRecord record = m_undoArray.takeLast();
    Q_EMIT cleanTaskStateChanged();
    scanQueue().async([core = m_core, record] {
        for (const MyTreeNode::Ptr &node : record) {
            core->status.setText(node->filePath());
            if (!moveBack(*node))
                continue;
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
            manager.updateStatBar(QStringLiteral(" "));
            manager.syncAllSatus();
            Q_EMIT manager.cleanTaskStateChanged();
        });
        core->taskStatus = 1;
    });
}
