// Taking files and sources out of the model, and stopping scans.
#include "platform/MainThread.h"
#include "platform/SerialQueue.h"
#include "platform/StringTable.h"
#include "scan/ManagerCore.h"
#include "scan/ScanSettings.h"
#include "scan/SourceNodeManager.h"
#include "scan/ViewInterfaces.h"

bool SourceNodeManager::removeTreeNode(const MyTreeNode::Ptr &node)
{
    return m_core->removeFile(node);
}

void SourceNodeManager::removeRootNode(RootNode::Ptr root)
{
    if (!root || !root->isFinished() || !rootNodes().contains(root))
        return;
    m_rootController.removeObject(root);
    reIndex();
    Q_EMIT sourcesChanged();
    scanQueue().async([core = m_core, root] { core->removeSource(root); });
}

void SourceNodeManager::stopSource(const QObject *control)
{
    if (!m_sourceTable)
        return;
    const qint64 row = m_sourceTable->rowForView(control);
    const QList<RootNode::Ptr> &arranged = m_rootController.arrangedObjects();
    if (quint64(row) >= quint64(arranged.size()))
        return;
    arranged[row]->setIsFinished(true);
    Q_EMIT sourcesChanged();
}

bool ManagerCore::removeFile(const MyTreeNode::Ptr &node)
{
    if (!node)
        return false;
    const RootNode::Ptr root = node->rootNode();
    if (!root || !root->allFiles().remove(node.get()))
        return false;
    root->setTotalFileNumber(root->totalFileNumber() - 1);
    root->setTotalFileSize(root->totalFileSize() - node->FileSize());
    FingerprintSource fingerprints(ScanSettings::preciseLevel());
    groups.takeOut(node, fingerprints, this);
    return true;
}

void ManagerCore::removeSource(const RootNode::Ptr &root)
{
    status.setText(
        //% "Removing source %1"
        StringTable::text("REMOVE_ROOT_NODE_STRING").arg(decodeFileNameBytes(root->rootPath(), false)));
    // Any removal ends the chance to undo: the moved files' sources may be the one going away.
    QList<QList<MyTreeNode::Ptr>> history;
    withManager([&](SourceNodeManager &manager) {
        history.swap(manager.m_undoArray);
        Q_EMIT manager.cleanTaskStateChanged();
    });
    for (const QList<MyTreeNode::Ptr> &record : std::as_const(history)) {
        for (const MyTreeNode::Ptr &node : record) {
            node->setRootNode(nullptr);
            node->setDupGroup(nullptr);
        }
    }
    for (const MyTreeNode::Ptr &node : root->allFiles().toList()) {
        removeFile(node);
        node->setRootNode(nullptr);
        node->setDupGroup(nullptr);
    }
    // Waits, unlike a mere refresh, so the rebuild never overlaps the next task's changes.
    withManager([](SourceNodeManager &manager) {
        manager.updateStatBar(QStringLiteral(" "));
        manager.syncAllSatus();
    });
}
