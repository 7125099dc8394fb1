// Scanning a source: the task on the scan queue, the folder walk, and taking files in.
#include "fs/FileManagerProxy.h"
#include "fs/FingerprintCache.h"
#include "platform/MainThread.h"
#include "platform/SerialQueue.h"
#include "scan/BackgroundPrefetch.h"
#include "scan/CustomRuleController.h"
#include "scan/ManagerCore.h"
#include "scan/SourceNodeManager.h"

namespace {

// Tells both the status text and the front end where a scan is.
class ProgressFanOut : public ScanProgress
{
public:
    ProgressFanOut(ScanProgress &status, ScanProgress *frontEnd) : m_status(status), m_frontEnd(frontEnd) {}

    void scanStarted(const RootNode &root) override
    {
        if (m_frontEnd)
            m_frontEnd->scanStarted(root);
    }
    void scanEnded(const RootNode &root) override
    {
        if (m_frontEnd)
            m_frontEnd->scanEnded(root);
    }
    void at(Phase phase, const Url &url) override
    {
        m_status.at(phase, url);
        if (m_frontEnd)
            m_frontEnd->at(phase, url);
    }
    void fileTakenIn(const RootNode &root, const MyTreeNode &file) override
    {
        if (m_frontEnd)
            m_frontEnd->fileTakenIn(root, file);
    }
    void itemSkipped(const Url &url, const QString &reason) override
    {
        if (m_frontEnd)
            m_frontEnd->itemSkipped(url, reason);
    }

private:
    ScanProgress &m_status;
    ScanProgress *m_frontEnd;
};

} // namespace

void SourceNodeManager::addRootNode(RootNode::Ptr root)
{
    if (!root)
        return;
    m_rootController.addObject(root);
    updateProtection();
    Q_EMIT sourcesChanged();
    scanQueue().async([core = m_core, root, progress = m_scanProgress] { core->scan(root, progress); });
}

void SourceNodeManager::addNewTreeNode_inRootNode(const MyTreeNode::Ptr &node, const RootNode::Ptr &root)
{
    ProgressFanOut progress(m_core->status, m_scanProgress.get());
    m_core->walk(node, root, progress);
}

bool SourceNodeManager::addTreeNode_toRootNode(const MyTreeNode::Ptr &node, const RootNode::Ptr &root)
{
    if (!node || !root)
        return false;
    node->setRootNode(root);
    if (node->isFolder() || node->isSymbol())
        return false;
    FingerprintSource fingerprints(m_core->rules.load()->rules().preciseLevel, m_core->fingerprintCache());
    return m_core->takeIn(node, root, fingerprints);
}

void ManagerCore::scan(const RootNode::Ptr &root, const std::shared_ptr<ScanProgress> &frontEnd)
{
    if (root->isFinished()) {
        // Stopped while it waited: nothing was read, so the source is done and can be removed, and
        // it must not keep the clean task from starting.
        root->setIsStopped(true);
        root->setIsRunning(false);
        return;
    }
    ProgressFanOut progress(status, frontEnd.get());
    progress.scanStarted(*root);
    progress.at(ScanProgress::Phase::ReadingFolders, root->rootURL());
    if (const MyTreeNode::Ptr top = MyTreeNode::initWithURL(root->rootURL()))
        walk(top, root, progress);
    saveFingerprintCache();
    // A stop request is the finished flag set before the scan ended.
    root->setIsStopped(root->isFinished());
    progress.scanEnded(*root);
    // The groups are gathered here, so the main thread only takes the result over.
    GroupStore::Summary summary = groups.summarize(*protection.load());
    if (namesCategories) {
        // Naming a category may mean reading the file's first bytes: tens of microseconds a group,
        // seconds for a large scan, which a sort by category would otherwise spend on the main thread.
        const std::shared_ptr<const CustomRuleController> namer = rules.load();
        for (const DupGroup::Ptr &group : std::as_const(summary.shown)) {
            if (!group->categoryString())
                group->setCategoryString(namer->typeString(*group->firstMember()));
        }
    }
    // A cache that could not be used is said once, where the status text stays after the scan.
    const std::optional<QString> cacheWarning = std::exchange(m_cacheWarning, std::nullopt);
    withManager([&](SourceNodeManager &manager) {
        root->setIsRunning(false);
        root->setIsFinished(true);
        manager.syncAllSatus(std::move(summary));
        manager.updateStatBar(cacheWarning.value_or(QStringLiteral(" ")));
        if (cacheWarning)
            manager.m_fingerprintCacheWarning = cacheWarning;
    });
}

void ManagerCore::walk(const MyTreeNode::Ptr &node, const RootNode::Ptr &root, ScanProgress &progress)
{
    if (!node || !root || root->isFinished())
        return;
    Stretches stretches;
    collect(node, nullptr, root, stretches, progress);
    passOn(stretches, root, progress);
    takeInRead(stretches, root, progress);
}

void ManagerCore::collect(const MyTreeNode::Ptr &node, const std::shared_ptr<const Directory> &folder,
                          const RootNode::Ptr &root, Stretches &stretches, ScanProgress &progress)
{
    if (root->isFinished())
        return;
    if (!node->isFolder()) {
        // The rules of the moment: a change applies from the next file on.
        const std::shared_ptr<const CustomRuleController> current = rules.load();
        if (!current->isToScan(*node))
            return;
        if (node->isDir())
            node->setFileSize(FileManagerProxy::sharedInstance().getDirectorySize(node->FileURL()));
        const std::optional<quint64> minimumSize = current->rules().minimumSize;
        if (minimumSize && quint64(node->FileSize()) < *minimumSize)
            return;
        if (folder && (stretches.folders.isEmpty() || stretches.folders.last() != folder))
            ++stretches.folderCount;
        stretches.listing.append(node);
        stretches.folders.append(folder);
        // Files are taken in a stretch of the walk at a time, so a stop keeps what was found so far;
        // the folders a stretch holds open stay well within the descriptors a process may have.
        if (stretches.listing.size() == SourceNodeManager::filesPerStretch ||
            stretches.folderCount == SourceNodeManager::foldersPerStretch)
            passOn(stretches, root, progress);
        return;
    }
    progress.at(ScanProgress::Phase::ReadingFolders, node->FileURL());
    std::shared_ptr<const Directory> opened;
    const auto children = node->Childs(&opened);
    for (const SkippedItem &item : node->skippedEntries())
        progress.itemSkipped(item.url, item.reason);
    for (const MyTreeNode::Ptr &child : children.value_or(QList<MyTreeNode::Ptr>())) {
        if (root->isFinished())
            break;
        collect(child, opened, root, stretches, progress);
    }
}

void ManagerCore::passOn(Stretches &stretches, const RootNode::Ptr &root, ScanProgress &progress)
{
    // Which fingerprints a stretch needs depends on the groups the stretch before it made, so that
    // one is taken in first.
    takeInRead(stretches, root, progress);
    // What that stretch read is looked up from now on; nothing reads while it is sorted in.
    FingerprintCache *cache = fingerprintCache();
    if (cache)
        cache->commit();
    if (stretches.listing.isEmpty())
        return;
    progress.at(ScanProgress::Phase::ReadingContents, stretches.listing.first()->FileURL());
    stretches.reading = std::make_unique<BackgroundPrefetch>(
        std::exchange(stretches.listing, {}), std::exchange(stretches.folders, {}), groups.index(), *root,
        rules.load()->rules().preciseLevel, cache);
    stretches.folderCount = 0;
}

void ManagerCore::takeInRead(Stretches &stretches, const RootNode::Ptr &root, ScanProgress &progress)
{
    if (!stretches.reading)
        return;
    // The files are taken in one by one, in walk order. After a stop, they are taken in for as long as
    // that needs no more reading: what the walk reached is kept, and the stop is not held up.
    const std::unique_ptr<BackgroundPrefetch> reading = std::move(stretches.reading);
    FingerprintPrefetch &prefetch = reading->wait(progress);
    for (const MyTreeNode::Ptr &file : reading->files()) {
        progress.at(ScanProgress::Phase::Grouping, file->FileURL());
        file->setRootNode(root);
        if (!takeIn(file, root, prefetch))
            break;
        progress.fileTakenIn(*root, *file);
    }
}

bool ManagerCore::takeIn(const MyTreeNode::Ptr &node, const RootNode::Ptr &root,
                         FingerprintSource &fingerprints)
{
    NodeList &files = root->allFiles();
    if (files.contains(node.get()))
        return true;
    if (groups.place(node, fingerprints, this).result == DupGroup::AddResult::Undecided)
        return false;
    files.append(node);
    root->setTotalFileNumber(root->totalFileNumber() + 1);
    root->setTotalFileSize(root->totalFileSize() + node->FileSize());
    return true;
}
