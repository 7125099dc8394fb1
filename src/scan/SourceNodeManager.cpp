// The engine's construction, rules, sources and summary.
#include "scan/SourceNodeManager.h"

#include "platform/MainThread.h"
#include "platform/SerialQueue.h"
#include "scan/CustomRuleController.h"
#include "scan/ManagerCore.h"

#include <QSet>

SerialQueue &SourceNodeManager::scanQueue()
{
    // Never destroyed: quitting does not wait for queued tasks.
    static SerialQueue *const queue =
        new SerialQueue(QStringLiteral("com.quenby.twinsift.SourceNodeManager"));
    return *queue;
}

SerialQueue &SourceNodeManager::thumbnailQueue()
{
    static SerialQueue *const queue =
        new SerialQueue(QStringLiteral("com.quenby.twinsift.SourceNodeManager.thumb"));
    return *queue;
}

SourceNodeManager::SourceNodeManager(ScanRules rules)
    : m_core(std::make_shared<ManagerCore>(this, std::move(rules)))
{
    MainThread::install();
    scanQueue();
    thumbnailQueue();
    updateStatBar(QStringLiteral(" "));
}

SourceNodeManager::~SourceNodeManager()
{
    for (const RootNode::Ptr &root : rootNodes())
        root->setIsFinished(true);
    m_core->detach();
}

std::shared_ptr<const CustomRuleController> SourceNodeManager::ruleController() const
{
    return m_core->rules.load();
}

void SourceNodeManager::setScanRules(ScanRules rules)
{
    m_core->rules = std::make_shared<const CustomRuleController>(std::move(rules));
}

void SourceNodeManager::setNamesCategoriesAhead(bool names)
{
    m_core->namesCategories = names;
}

bool SourceNodeManager::isScanning() const
{
    return std::any_of(rootNodes().begin(), rootNodes().end(),
                       [](const RootNode::Ptr &root) { return root->isRunning(); });
}

void SourceNodeManager::reIndex()
{
    const QList<RootNode::Ptr> &arranged = m_rootController.arrangedObjects();
    for (qsizetype row = 0; row < arranged.size(); ++row)
        arranged[row]->setIndex(quint64(row));
}

const QList<SourceNodeManager::Bucket> &SourceNodeManager::dupGroups() const
{
    return m_core->groups.buckets();
}

QString SourceNodeManager::statBarString() const
{
    return m_core->status.text();
}

void SourceNodeManager::updateStatBar(const QString &text)
{
    m_core->status.setText(text);
}

void SourceNodeManager::syncAllSatus()
{
    syncAllSatus(m_core->groups.summarize(*m_core->protection.load()));
}

namespace {

bool isWithin(const Url &inner, const Url &outer)
{
    const QByteArray &o = outer.path();
    return inner != outer && inner.path().startsWith(o) &&
           (o.endsWith('/') || inner.path().at(o.size()) == '/');
}

// Whether a source lies inside another, so that some files were taken in twice.
bool sourcesOverlap(const QList<RootNode::Ptr> &roots)
{
    for (const RootNode::Ptr &a : roots) {
        for (const RootNode::Ptr &b : roots) {
            if (isWithin(a->rootURL(), b->rootURL()))
                return true;
        }
    }
    return false;
}

} // namespace

void SourceNodeManager::syncAllSatus(GroupStore::Summary summary)
{
    qint64 files = 0;
    qint64 bytes = 0;
    if (sourcesOverlap(rootNodes())) {
        // A file reached through two sources counts once.
        QSet<FileId> seen;
        for (const RootNode::Ptr &root : rootNodes()) {
            root->allFiles().forEach([&](const MyTreeNode &node) {
                const std::optional<FileId> id = node.fileId();
                if (id && !seen.contains(*id)) {
                    seen.insert(*id);
                    ++files;
                    bytes += node.FileSize();
                }
            });
        }
    } else {
        for (const RootNode::Ptr &root : rootNodes()) {
            files += root->totalFileNumber();
            bytes += root->totalFileSize();
        }
    }
    m_totalFileNumber = files;
    m_totalFileSize = bytes;
    reIndex();
    m_summary = std::move(summary);
    Q_EMIT sourcesChanged();
    Q_EMIT summaryChanged();
}

void SourceNodeManager::rescanRootNode(const RootNode::Ptr &root)
{
    if (!root || root->isRunning() || !rootNodes().contains(root))
        return;
    root->setIsRunning(true);
    root->setIsFinished(false);
    root->setIsStopped(false);
    Q_EMIT sourcesChanged();
    scanQueue().async([core = m_core, root, progress = m_scanProgress] {
        for (const MyTreeNode::Ptr &node : root->allFiles().toList())
            core->removeFile(node);
        core->scan(root, progress);
    });
}

void SourceNodeManager::rescanAllRootNodes()
{
    for (const RootNode::Ptr &root : m_rootController.arrangedObjects())
        rescanRootNode(root);
}

void SourceNodeManager::setSourceProtected(const RootNode::Ptr &root, bool isProtected)
{
    if (!root || root->isProtected() == isProtected)
        return;
    root->setIsProtected(isProtected);
    updateProtection();
    Q_EMIT sourcesChanged();
    // What can go changed: the summary is made anew once the queue gets there.
    scanQueue().async(
        [core = m_core] { core->withManager([](SourceNodeManager &engine) { engine.syncAllSatus(); }); });
}

void SourceNodeManager::setProtectedFolders(QList<Url> folders)
{
    m_protectedFolders = std::move(folders);
    updateProtection();
}

ProtectedFolders SourceNodeManager::protection() const
{
    return *m_core->protection.load();
}

void SourceNodeManager::updateProtection()
{
    QList<Url> folders = m_protectedFolders;
    for (const RootNode::Ptr &root : rootNodes()) {
        if (root->isProtected())
            folders.append(root->rootURL());
    }
    m_core->protection = std::make_shared<const ProtectedFolders>(std::move(folders));
}
