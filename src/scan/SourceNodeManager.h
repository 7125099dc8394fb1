#pragma once

#include "model/DupGroup.h"
#include "model/MyTreeNode.h"
#include "model/OutlineItem.h"
#include "model/RootNode.h"
#include "platform/ArrayController.h"
#include "scan/GroupIndex.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

class CustomRuleController;
class DupOutlineView;
class ScanProgress;
class SerialQueue;
class SourceTableView;

// The centre of TwinSift: owns the sources, the table of duplicate groups by size, the groups the
// duplicate list shows, the statistics, and the queues on which long work runs.
//
// Threads: scans, removals and clean tasks run one at a time on the scan queue. rootNodes and
// showDupGroups change only on the main thread. The bucket table, and the member lists of groups
// that are not shown, are read on the main thread only by syncAllSatus, which runs only in
// hand-offs that the scan queue waits for (the end of every task); so the scan queue changes them
// in place, and hands the main thread only the changes of shown groups. The main thread never waits
// for a background queue.
class SourceNodeManager : public QObject
{
    Q_OBJECT
public:
    using Bucket = QList<DupGroup::Ptr>;
    static constexpr int bucketCount = 8192;
    static qsizetype bucketIndexForSize(qint64 size) { return size & 0x1FFF; }
    // Files a scan lists before it takes them in: enough for reading ahead on every core to pay,
    // few enough that a stop soon after the start keeps something.
    static constexpr qsizetype filesPerStretch = 4096;

    SourceNodeManager();
    ~SourceNodeManager() override;

    // The process-wide queues, made by the first manager and shared by later ones.
    static SerialQueue &scanQueue();
    static SerialQueue &thumbnailQueue();
    // The first manager constructed; null before that.
    static SourceNodeManager *sharedManager();

    // --- Fields --------------------------------------------------------------------------------
    // The sources in the order added; the controller's arranged order is the source list's.
    const QList<RootNode::Ptr> &rootNodes() const { return m_rootController.content(); }
    ArrayController<RootNode> &rootController() { return m_rootController; }
    // The scan queue, or the main thread while the scan queue waits or is idle.
    const QList<Bucket> &dupGroups() const { return m_dupGroups; }
    qint64 totalFileNumber() const { return m_totalFileNumber; }
    qint64 totalFileSize() const { return m_totalFileSize; }
    QString sourceStatString() const;
    QString dupGroupStatString() const;
    QString statBarString() const;
    // No list until the first syncAllSatus.
    const std::optional<QList<DupGroup::Ptr>> &showDupGroups() const { return m_showDupGroups; }
    const QStringList &allShowDupGroupFileExt() const { return m_allShowDupGroupFileExt; }
    qint64 totalDupGroupNumber() const { return m_totalDupGroupNumber; }
    qint64 totalRemovableFileNumber() const { return m_totalRemovableFileNumber; }
    qint64 totalWasteSize() const { return m_totalWasteSize; }
    qint64 taskStatus() const { return m_taskStatus; }
    const QList<QList<MyTreeNode::Ptr>> &undoArray() const { return m_undoArray; }

    CustomRuleController *ruleController() const { return m_ruleController; }
    void setRuleController(CustomRuleController *controller) { m_ruleController = controller; }
    void setDupOutlineView(DupOutlineView *view) { m_dupOutlineView = view; }
    void setSourceTable(SourceTableView *view) { m_sourceTable = view; }
    // The front end's view of scans as they go; called on the scan queue.
    void setScanProgress(std::shared_ptr<ScanProgress> progress) { m_scanProgress = std::move(progress); }

    // --- Statistics and refresh (main thread unless said otherwise) -----------------------------
    // Reloads the duplicate list on the main thread, keeping the selected row. Any thread.
    void reloadOutlineView();
    void updateSourceStat();
    void updateDupGroupStat();
    // Any thread.
    void updateStatBar(const QString &text);
    // Rebuilds totals, shown groups and statistics. Main thread, only while the scan queue waits
    // for it or has nothing to do.
    void syncAllSatus();

    // The groups of duplicates and their figures, gathered from the bucket table: by the scan queue
    // before it hands the end of a scan to the main thread, which then only takes them over.
    struct GroupSummary
    {
        QList<DupGroup::Ptr> shown;
        QStringList extensions;
        qint64 groups = 0;
        qint64 removable = 0;
        qint64 waste = 0;
    };
    // Marks the groups shown or not as it goes. Scan queue, or the main thread while it waits.
    GroupSummary summarizeGroups();
    // syncAllSatus with the groups already summarized. Main thread.
    void syncAllSatus(GroupSummary summary);
    void reIndex();
    // True for a group row, false for a file row or no item.
    static bool isDupGroup(const OutlineItem &item);

    // --- Scanning ------------------------------------------------------------------------------
    // Lists the source and queues its scan. Main thread.
    void addRootNode(const RootNode::Ptr &root);
    // The folder walk for one node and everything below it, then taking in the files it found.
    // Scan queue.
    void addNewTreeNode_inRootNode(const MyTreeNode::Ptr &node, const RootNode::Ptr &root);
    // Takes one file into a source and places it in a group. Scan queue.
    bool addTreeNode_toRootNode(const MyTreeNode::Ptr &node, const RootNode::Ptr &root);

    // --- Removal and stopping ------------------------------------------------------------------
    // Takes one file out of its source and group; true when it was one of its source's files.
    // Scan queue.
    bool removeTreeNode(const MyTreeNode::Ptr &node);
    // Removes a finished source with all its files. Main thread.
    void removeRootNode(const RootNode::Ptr &root);
    // Asks the scan of the source in the row holding the control to stop. Main thread.
    void stopSource(const QObject *control);

Q_SIGNALS:
    // Emitted on the main thread whenever the status text changes.
    void statBarStringChanged();
    // Emitted at the end of every syncAllSatus.
    void statisticsChanged();

protected:
    // Offers a file to the groups of its size and makes a new group when none accepts it.
    virtual void placeInGroup(const MyTreeNode::Ptr &node);

    void appendGroupToBucket(const DupGroup::Ptr &group, qsizetype bucketIndex);
    // Gives the bucket table its buckets before the first file is placed.
    void fillBucketTableIfEmpty();

private:
    void scanTask(const RootNode::Ptr &root);
    void removalTask(const RootNode::Ptr &root);
    bool isBelowMinimumSize(const MyTreeNode &node) const;
    // The walk: appends the files below node that the rules and the minimum size take, in order,
    // taking them in whenever a stretch is complete.
    void collectFiles(const MyTreeNode::Ptr &node, const RootNode::Ptr &root, QList<MyTreeNode::Ptr> &files);
    void takeIn(const QList<MyTreeNode::Ptr> &files, const RootNode::Ptr &root);

    ArrayController<RootNode> m_rootController;
    QList<Bucket> m_dupGroups;
    GroupIndex m_groupIndex;
    std::atomic<qint64> m_totalFileNumber{0};
    std::atomic<qint64> m_totalFileSize{0};
    QString m_sourceStatString;
    QString m_dupGroupStatString;
    QString m_statBarString;
    // True while a notification of a new status text waits on the main thread, so that a scan
    // setting the text for every file posts at most one at a time.
    std::atomic<bool> m_statBarNotificationPending{false};
    DupOutlineView *m_dupOutlineView = nullptr;
    SourceTableView *m_sourceTable = nullptr;
    std::optional<QList<DupGroup::Ptr>> m_showDupGroups;
    QStringList m_allShowDupGroupFileExt;
    std::atomic<qint64> m_totalDupGroupNumber{0};
    std::atomic<qint64> m_totalRemovableFileNumber{0};
    std::atomic<qint64> m_totalWasteSize{0};
    std::atomic<qint64> m_taskStatus{1};
    CustomRuleController *m_ruleController = nullptr;
    std::shared_ptr<ScanProgress> m_scanProgress;
    QList<QList<MyTreeNode::Ptr>> m_undoArray;
};
