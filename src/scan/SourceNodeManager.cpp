// The engine's construction, rules, sources and summary.
#include "scan/SourceNodeManager.h"

#include "platform/MainThread.h"
#include "platform/SerialQueue.h"
#include "scan/CustomRuleController.h"
#include "scan/ManagerCore.h"

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
    syncAllSatus(m_core->groups.summarize());
}

void SourceNodeManager::syncAllSatus(GroupStore::Summary summary)
{
    qint64 files = 0;
    qint64 bytes = 0;
    for (const RootNode::Ptr &root : rootNodes()) {
        files += root->totalFileNumber();
        bytes += root->totalFileSize();
    }
    m_totalFileNumber = files;
    m_totalFileSize = bytes;
    reIndex();
    m_summary = std::move(summary);
    Q_EMIT sourcesChanged();
    Q_EMIT summaryChanged();
}
