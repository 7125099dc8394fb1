// The manager's fields, construction, statistics and refresh.
#include "scan/SourceNodeManager.h"

#include "platform/MainThread.h"
#include "platform/SerialQueue.h"
#include "platform/StringTable.h"
#include "scan/ManagerCore.h"
#include "scan/ViewInterfaces.h"

namespace {

double mebibytes(qint64 bytes)
{
    return double(bytes) / 1024 / 1024;
}

} // namespace

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

SourceNodeManager::SourceNodeManager() : m_core(std::make_shared<ManagerCore>(this))
{
    MainThread::install();
    scanQueue();
    thumbnailQueue();
    updateSourceStat();
    updateDupGroupStat();
    updateStatBar(QStringLiteral(" "));
}

SourceNodeManager::~SourceNodeManager()
{
    for (const RootNode::Ptr &root : rootNodes())
        root->setIsFinished(true);
    m_core->detach(rootNodes(), m_undoArray);
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

const QList<SourceNodeManager::Bucket> &SourceNodeManager::dupGroups() const
{
    return m_core->groups.buckets();
}

bool SourceNodeManager::isDupGroup(const OutlineItem &item)
{
    const auto *group = std::get_if<DupGroup::Ptr>(&item);
    return group && *group;
}

QString SourceNodeManager::statBarString() const
{
    return m_core->status.text();
}

void SourceNodeManager::reloadOutlineView()
{
    const qint64 row = m_dupOutlineView ? m_dupOutlineView->selectedRow() : -1;
    Q_EMIT showDupGroupsChanged(ShownGroupsChange::DataChanged);
    if (row >= 0)
        m_dupOutlineView->selectRow(row);
}

void SourceNodeManager::updateSourceStat()
{
    //% "%1 file(s), %2 MiB"
    m_sourceStatString = StringTable::text("SOURCE_FOLDER_STAT_STRING", m_totalFileNumber)
                             .arg(m_totalFileNumber)
                             .arg(mebibytes(m_totalFileSize), 0, 'f', 2);
}

void SourceNodeManager::updateDupGroupStat()
{
    //% "%1 group(s) of duplicates, removable files: %2, wasted: %3 MiB"
    m_dupGroupStatString = StringTable::text("DUP_GROUP_STAT_STRING", m_totalDupGroupNumber)
                               .arg(m_totalDupGroupNumber)
                               .arg(m_totalRemovableFileNumber)
                               .arg(mebibytes(m_totalWasteSize), 0, 'f', 2);
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

    m_totalDupGroupNumber = summary.groups;
    m_totalRemovableFileNumber = summary.removable;
    m_totalWasteSize = summary.waste;
    m_showDupGroups = std::move(summary.shown);
    if (m_outlineviewSortDesc)
        sortShowGroups(*m_outlineviewSortDesc);
    m_allFileExtController.setContent(std::move(summary.extensions));

    updateSourceStat();
    updateDupGroupStat();
    Q_EMIT sourcesChanged();
    Q_EMIT showDupGroupsChanged(ShownGroupsChange::Replaced);
    Q_EMIT statisticsChanged();
}

void SourceNodeManager::reIndex()
{
    const QList<RootNode::Ptr> &arranged = m_rootController.arrangedObjects();
    for (qsizetype row = 0; row < arranged.size(); ++row)
        arranged[row]->setIndex(quint64(row));
}
