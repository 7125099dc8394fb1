// The manager's fields, construction, statistics and refresh.
#include "scan/SourceNodeManager.h"

#include "platform/MainThread.h"
#include "platform/PropertyLock.h"
#include "platform/SerialQueue.h"
#include "platform/StringTable.h"
#include "scan/ViewInterfaces.h"

#include <QPointer>
#include <QSet>
#include <QTimer>

#include <chrono>

#include <atomic>

namespace {

std::atomic<SourceNodeManager *> g_sharedManager{nullptr};

QString blankStatus()
{
    return QStringLiteral(" ");
}

constexpr std::chrono::milliseconds statBarNotificationInterval{50};

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

SourceNodeManager *SourceNodeManager::sharedManager()
{
    return g_sharedManager;
}

SourceNodeManager::SourceNodeManager()
{
    MainThread::install();
    scanQueue();
    thumbnailQueue();
    updateSourceStat();
    updateDupGroupStat();
    updateStatBar(blankStatus());
    SourceNodeManager *none = nullptr;
    g_sharedManager.compare_exchange_strong(none, this);
}

SourceNodeManager::~SourceNodeManager()
{
    // Nodes and their groups and sources refer to each other; break those cycles so all is freed.
    for (const Bucket &bucket : std::as_const(m_dupGroups)) {
        for (const DupGroup::Ptr &group : bucket) {
            for (const MyTreeNode::Ptr &node : group->childs()) {
                node->setDupGroup(nullptr);
                node->setRootNode(nullptr);
            }
        }
    }
    for (const RootNode::Ptr &root : rootNodes()) {
        for (const MyTreeNode::Ptr &node : root->allFiles().toList()) {
            node->setDupGroup(nullptr);
            node->setRootNode(nullptr);
        }
    }
    for (const QList<MyTreeNode::Ptr> &record : std::as_const(m_undoArray)) {
        for (const MyTreeNode::Ptr &node : record) {
            node->setDupGroup(nullptr);
            node->setRootNode(nullptr);
        }
    }
    SourceNodeManager *self = this;
    g_sharedManager.compare_exchange_strong(self, nullptr);
}

bool SourceNodeManager::isDupGroup(const OutlineItem &item)
{
    const auto *group = std::get_if<DupGroup::Ptr>(&item);
    return group && *group;
}

QString SourceNodeManager::sourceStatString() const
{
    return lockedRead(this, m_sourceStatString);
}

QString SourceNodeManager::dupGroupStatString() const
{
    return lockedRead(this, m_dupGroupStatString);
}

QString SourceNodeManager::statBarString() const
{
    return lockedRead(this, m_statBarString);
}

void SourceNodeManager::reloadOutlineView()
{
    // The request may come from the thumbnail queue after this manager is gone.
    MainThread::async([self = QPointer<SourceNodeManager>(this)] {
        if (!self || !self->m_dupOutlineView)
            return;
        DupOutlineView *view = self->m_dupOutlineView;
        const qint64 row = view->selectedRow();
        view->reloadData();
        if (row >= 0)
            view->selectRow(row);
    });
}

void SourceNodeManager::updateSourceStat()
{
    const qint64 files = m_totalFileNumber.load();
    lockedWrite(this, m_sourceStatString,
                //% "%1 file(s), %2 MiB"
                StringTable::text("SOURCE_FOLDER_STAT_STRING", files)
                    .arg(files)
                    .arg(mebibytes(m_totalFileSize), 0, 'f', 2));
}

void SourceNodeManager::updateDupGroupStat()
{
    const qint64 groups = m_totalDupGroupNumber.load();
    lockedWrite(this, m_dupGroupStatString,
                //% "%1 group(s) of duplicates, removable files: %2, wasted: %3 MiB"
                StringTable::text("DUP_GROUP_STAT_STRING", groups)
                    .arg(groups)
                    .arg(m_totalRemovableFileNumber.load())
                    .arg(mebibytes(m_totalWasteSize), 0, 'f', 2));
}

void SourceNodeManager::updateStatBar(const QString &text)
{
    lockedWrite(this, m_statBarString, text);
    if (MainThread::isCurrent()) {
        Q_EMIT statBarStringChanged();
        return;
    }
    // A scan sets the text for every file; the main thread hears of it at most every few frames and
    // then shows whatever the text is by then.
    if (m_statBarNotificationPending.exchange(true))
        return;
    MainThread::async([self = QPointer<SourceNodeManager>(this)] {
        if (!self)
            return;
        Q_EMIT self->statBarStringChanged();
        QTimer::singleShot(statBarNotificationInterval, self, [self] {
            self->m_statBarNotificationPending = false;
            Q_EMIT self->statBarStringChanged();
        });
    });
}

void SourceNodeManager::syncAllSatus()
{
    syncAllSatus(summarizeGroups());
}

SourceNodeManager::GroupSummary SourceNodeManager::summarizeGroups()
{
    GroupSummary summary;
    QSet<QString> extensions;
    for (const Bucket &bucket : std::as_const(m_dupGroups)) {
        for (const DupGroup::Ptr &group : bucket) {
            const qint64 members = group->fileNumber();
            group->setIsShown(members >= 2);
            if (members < 2)
                continue;
            summary.shown.append(group);
            for (const QString &extension : group->allFileExt())
                extensions.insert(extension);
            ++summary.groups;
            summary.waste += (members - 1) * group->fileSize();
            summary.removable += members - 1;
        }
    }
    summary.extensions = QStringList(extensions.begin(), extensions.end());
    std::sort(summary.extensions.begin(), summary.extensions.end(), [](const QString &a, const QString &b) {
        return QString::localeAwareCompare(a.toLower(), b.toLower()) < 0;
    });
    return summary;
}

void SourceNodeManager::syncAllSatus(GroupSummary summary)
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
    m_allShowDupGroupFileExt = std::move(summary.extensions);

    updateSourceStat();
    updateDupGroupStat();
    if (m_dupOutlineView)
        m_dupOutlineView->reloadData();
    Q_EMIT statisticsChanged();
}

void SourceNodeManager::reIndex()
{
    const QList<RootNode::Ptr> &arranged = m_rootController.arrangedObjects();
    for (qsizetype row = 0; row < arranged.size(); ++row)
        arranged[row]->setIndex(quint64(row));
}
