// Taking files and sources out of the engine, and stopping scans.
#include "platform/SerialQueue.h"
#include "platform/StringTable.h"
#include "scan/CustomRuleController.h"
#include "scan/ManagerCore.h"
#include "scan/SourceNodeManager.h"

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
    updateProtection();
    Q_EMIT sourcesChanged();
    Q_EMIT sourcesRemoved();
    scanQueue().async([core = m_core, root] { core->removeSource(root); });
}

void SourceNodeManager::removeAllRootNodes()
{
    if (rootNodes().isEmpty())
        return;
    for (const RootNode::Ptr &root : rootNodes())
        root->setIsFinished(true);
    Q_EMIT sourcesChanged();
    // Queued, so that it runs after the scans it stopped, which still take what they found in.
    scanQueue().async([core = m_core] {
        core->withManager([&](SourceNodeManager &manager) {
            core->groups.clear();
            manager.m_rootController.setContent({});
            manager.updateProtection();
            manager.updateStatBar(QStringLiteral(" "));
            Q_EMIT manager.sourcesRemoved();
            manager.syncAllSatus();
        });
    });
}

void SourceNodeManager::stopSource(const RootNode::Ptr &root)
{
    if (!root)
        return;
    root->setIsFinished(true);
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
    FingerprintSource fingerprints(rules.load()->rules().preciseLevel, fingerprintCache());
    groups.takeOut(node, fingerprints, this);
    return true;
}

bool ManagerCore::regroupByWholeContent(const MyTreeNode::Ptr &node)
{
    const RootNode::Ptr root = node->rootNode();
    if (!root || !removeFile(node))
        return false;
    // The sampled fingerprint is the one that misled; the whole content decides now.
    node->setCompactPreciseFileMD5(CompactFingerprint());
    FingerprintSource wholeContent(PreciseLevel(false, 0), fingerprintCache());
    takeIn(node, root, wholeContent);
    return true;
}

void ManagerCore::removeSource(const RootNode::Ptr &root)
{
    status.setText(
        //% "Removing source %1"
        StringTable::text("REMOVE_ROOT_NODE_STRING").arg(decodeFileNameBytes(root->rootPath(), false)));
    for (const MyTreeNode::Ptr &node : root->allFiles().toList())
        removeFile(node);
    // Waits, unlike a mere refresh, so the rebuild never overlaps the next task's changes.
    withManager([](SourceNodeManager &manager) {
        manager.updateStatBar(QStringLiteral(" "));
        manager.syncAllSatus();
    });
}
