// Taking files and sources out of the model, and stopping scans.
#include "platform/MainThread.h"
#include "platform/SerialQueue.h"
#include "platform/StringTable.h"
#include "scan/SourceNodeManager.h"
#include "scan/ViewInterfaces.h"

bool SourceNodeManager::removeTreeNode(const MyTreeNode::Ptr &node)
{
    if (!node)
        return false;
    const RootNode::Ptr root = node->rootNode();
    if (!root || !root->allFiles().remove(node.get()))
        return false;
    root->setTotalFileNumber(root->totalFileNumber() - 1);
    root->setTotalFileSize(root->totalFileSize() - node->FileSize());

    const qsizetype bucketIndex = bucketIndexForSize(node->FileSize());
    if (const DupGroup::Ptr group = node->dupGroup()) {
        group->delChild(node);
        if (group->fileNumber() == 0) {
            m_groupIndex.remove(group.get());
            if (bucketIndex < m_dupGroups.size())
                m_dupGroups[bucketIndex].removeOne(group);
        }
    }
    return true;
}

void SourceNodeManager::removeRootNode(const RootNode::Ptr &root)
{
    if (!root || !root->isFinished() || !rootNodes().contains(root))
        return;
    m_rootController.removeObject(root);
    reIndex();
    scanQueue().async([this, root] { removalTask(root); });
}

void SourceNodeManager::removalTask(const RootNode::Ptr &root)
{
    updateStatBar(
        //% "Removing source %1"
        StringTable::text("REMOVE_ROOT_NODE_STRING").arg(decodeFileNameBytes(root->rootPath(), false)));

    // Any removal ends the chance to undo: the moved files' sources may be the one going away.
    QList<QList<MyTreeNode::Ptr>> history;
    MainThread::sync([&] { history.swap(m_undoArray); });
    for (const QList<MyTreeNode::Ptr> &record : std::as_const(history)) {
        for (const MyTreeNode::Ptr &node : record) {
            node->setRootNode(nullptr);
            node->setDupGroup(nullptr);
        }
    }

    for (const MyTreeNode::Ptr &node : root->allFiles().toList()) {
        removeTreeNode(node);
        node->setRootNode(nullptr);
        node->setDupGroup(nullptr);
    }

    // Waits, unlike a mere refresh, so the rebuild never overlaps the next task's changes.
    MainThread::sync([this] {
        updateStatBar(QStringLiteral(" "));
        syncAllSatus();
    });
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
}
