// Scanning a source: the task on the scan queue, the folder walk, and taking files in.
#include "fs/FileManagerProxy.h"
#include "platform/MainThread.h"
#include "platform/SerialQueue.h"
#include "platform/SettingsKeys.h"
#include "platform/StringTable.h"
#include "platform/UserDefaults.h"
#include "scan/CustomRuleController.h"
#include "scan/FingerprintPrefetch.h"
#include "scan/ScanProgress.h"
#include "scan/SourceNodeManager.h"

void SourceNodeManager::addRootNode(const RootNode::Ptr &root)
{
    if (!root)
        return;
    m_rootController.addObject(root);
    scanQueue().async([this, root] { scanTask(root); });
}

void SourceNodeManager::scanTask(const RootNode::Ptr &root)
{
    if (root->isFinished()) {
        // Stopped while it waited: nothing was read, so the source is done and can be removed, and
        // it must not keep the clean task from starting.
        root->setIsRunning(false);
        return;
    }
    fillBucketTableIfEmpty();
    if (m_scanProgress)
        m_scanProgress->scanStarted(*root);
    updateStatBar(StringTable::text("READING_FOLDER_STRUCTURE_STRING")
                      .arg(decodeFileNameBytes(root->rootPath(), false)));
    if (MyTreeNode::Ptr top = MyTreeNode::initWithURL(root->rootURL()))
        addNewTreeNode_inRootNode(top, root);
    // The groups are gathered here, so the main thread only takes the result over.
    if (m_scanProgress)
        m_scanProgress->scanEnded(*root);
    GroupSummary summary = summarizeGroups();
    MainThread::sync([&] {
        root->setIsRunning(false);
        root->setIsFinished(true);
        syncAllSatus(std::move(summary));
        updateStatBar(QStringLiteral(" "));
    });
}

void SourceNodeManager::fillBucketTableIfEmpty()
{
    if (m_dupGroups.isEmpty())
        m_dupGroups = QList<Bucket>(bucketCount);
}

void SourceNodeManager::addNewTreeNode_inRootNode(const MyTreeNode::Ptr &node, const RootNode::Ptr &root)
{
    if (!node || !root || root->isFinished())
        return;
    QList<MyTreeNode::Ptr> files;
    collectFiles(node, root, files);
    takeIn(files, root);
}

void SourceNodeManager::collectFiles(const MyTreeNode::Ptr &node, const RootNode::Ptr &root,
                                     QList<MyTreeNode::Ptr> &files)
{
    if (root->isFinished())
        return;
    if (!node->isFolder()) {
        if (!m_ruleController || !m_ruleController->isToScan(node))
            return;
        if (node->isDir())
            node->setFileSize(FileManagerProxy::sharedInstance().getDirectorySize(node->FileURL()));
        if (isBelowMinimumSize(*node))
            return;
        files.append(node);
        // Files are taken in a stretch of the walk at a time, so a stop keeps what was found so far.
        if (files.size() == filesPerStretch) {
            takeIn(files, root);
            files.clear();
        }
        return;
    }
    updateStatBar(StringTable::text("READING_FOLDER_STRUCTURE_STRING").arg(node->filePath()));
    if (m_scanProgress)
        m_scanProgress->at(ScanProgress::Phase::ReadingFolders, node->FileURL());
    const auto children = node->Childs();
    if (m_scanProgress) {
        for (const SkippedItem &item : node->skippedEntries())
            m_scanProgress->itemSkipped(item.url, item.reason);
    }
    for (const MyTreeNode::Ptr &child : children.value_or(QList<MyTreeNode::Ptr>())) {
        if (root->isFinished())
            break;
        collectFiles(child, root, files);
    }
}

void SourceNodeManager::takeIn(const QList<MyTreeNode::Ptr> &files, const RootNode::Ptr &root)
{
    if (files.isEmpty() || root->isFinished())
        return;
    // The fingerprints the grouping will need are read on every core first; the files are then
    // taken in one by one, in walk order.
    const FingerprintPrefetch prefetch(files, m_groupIndex, *root, [this](const MyTreeNode &file) {
        updateStatBar(StringTable::text("HANDLING_FILE_STRING").arg(file.filePath()));
        if (m_scanProgress)
            m_scanProgress->at(ScanProgress::Phase::ReadingContents, file.FileURL());
    });
    const FingerprintPrefetch::Use use(prefetch);
    for (const MyTreeNode::Ptr &file : files) {
        if (root->isFinished())
            break;
        updateStatBar(StringTable::text("HANDLING_FILE_STRING").arg(file->filePath()));
        if (m_scanProgress)
            m_scanProgress->at(ScanProgress::Phase::Grouping, file->FileURL());
        addTreeNode_toRootNode(file, root);
    }
}

bool SourceNodeManager::isBelowMinimumSize(const MyTreeNode &node) const
{
    const UserDefaults &defaults = UserDefaults::standard();
    if (!defaults.boolForKey(SettingsKeys::onlyFileSize))
        return false;
    // Single precision, as the setting has always been applied; 1.5 MiB is exactly 1,572,864 bytes.
    const float limitInBytes =
        float(defaults.doubleForKey(SettingsKeys::onlyFileSizeValue)) * 1024.0f * 1024.0f;
    const quint64 limit = limitInBytes > 0 ? quint64(limitInBytes) : 0;
    return quint64(node.FileSize()) < limit;
}

bool SourceNodeManager::addTreeNode_toRootNode(const MyTreeNode::Ptr &node, const RootNode::Ptr &root)
{
    if (!node || !root)
        return false;
    node->setRootNode(root);
    if (node->isFolder() || node->isSymbol())
        return false;
    if (!root->allFiles().append(node))
        return true;
    root->setTotalFileNumber(root->totalFileNumber() + 1);
    root->setTotalFileSize(root->totalFileSize() + node->FileSize());
    placeInGroup(node);
    if (m_scanProgress)
        m_scanProgress->fileTakenIn(*root, *node);
    return true;
}

void SourceNodeManager::placeInGroup(const MyTreeNode::Ptr &node)
{
    if (m_groupIndex.offer(node))
        return;
    const DupGroup::Ptr group = DupGroup::init();
    group->addChild(node);
    appendGroupToBucket(group, bucketIndexForSize(node->FileSize()));
}

void SourceNodeManager::appendGroupToBucket(const DupGroup::Ptr &group, qsizetype bucketIndex)
{
    m_dupGroups[bucketIndex].append(group);
    m_groupIndex.insert(group);
}
