#pragma once

#include "model/DupGroup.h"
#include "model/FileFailure.h"
#include "model/MemberObserver.h"
#include "model/MyTreeNode.h"
#include "model/OutlineItem.h"
#include "model/RootNode.h"
#include "platform/ArrayController.h"
#include "platform/Image.h"
#include "platform/SortDescriptor.h"
#include "scan/GroupStore.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <optional>

class CustomRuleController;
class DesktopServices;
class DupOutlineView;
class CleanFrontEnd;
class ManagerCore;
class OpenPanel;
class ScanProgress;
class SerialQueue;
class SourceTableView;
class TaskWindow;

// The centre of TwinSift: owns the sources, the store of duplicate groups, the groups the duplicate
// list shows, the statistics, and the queues on which long work runs.
//
// Threads: scans and removals run one at a time on the scan queue, on the manager's core, which they
// hold so that the manager may go away while they run. rootNodes and showDupGroups change only on the
// main thread. The group store, and the member lists of groups that are not shown, are read on the
// main thread only by syncAllSatus, which runs only while the scan queue waits for it or is idle; so
// the scan queue changes them in place, and hands the main thread only the changes of shown groups.
// The main thread never waits for a background queue.
//
// Views follow the manager through its notices, all sent on the main thread, and answer its questions
// (the selected row, the row of a control) through the small interfaces of ViewInterfaces.h.
class SourceNodeManager : public QObject
{
    Q_OBJECT
public:
    using Bucket = GroupStore::Bucket;
    static constexpr int bucketCount = GroupStore::bucketCount;
    static qsizetype bucketIndexForSize(qint64 size) { return GroupStore::bucketIndexForSize(size); }
    // Files a scan lists before it takes them in: enough for reading ahead in parallel to pay,
    // few enough that a stop soon after the start keeps something.
    static constexpr qsizetype filesPerStretch = 4096;

    SourceNodeManager();
    // Stops the scans; tasks still queued run on without the manager and change nothing it showed.
    ~SourceNodeManager() override;

    // The process-wide queues, made by the first manager and shared by later ones.
    static SerialQueue &scanQueue();
    static SerialQueue &thumbnailQueue();

    // --- Fields --------------------------------------------------------------------------------
    // The sources in the order added; the controller's arranged order is the source list's.
    const QList<RootNode::Ptr> &rootNodes() const { return m_rootController.content(); }
    ArrayController<RootNode> &rootController() { return m_rootController; }
    // The scan queue, or the main thread while the scan queue waits or is idle.
    const QList<Bucket> &dupGroups() const;
    qint64 totalFileNumber() const { return m_totalFileNumber; }
    qint64 totalFileSize() const { return m_totalFileSize; }
    QString sourceStatString() const { return m_sourceStatString; }
    QString dupGroupStatString() const { return m_dupGroupStatString; }
    // Any thread.
    QString statBarString() const;
    // No list until the first syncAllSatus.
    const std::optional<QList<DupGroup::Ptr>> &showDupGroups() const { return m_showDupGroups; }
    const QStringList &allShowDupGroupFileExt() const { return m_allFileExtController.content(); }
    qint64 totalDupGroupNumber() const { return m_totalDupGroupNumber; }
    qint64 totalRemovableFileNumber() const { return m_totalRemovableFileNumber; }
    qint64 totalWasteSize() const { return m_totalWasteSize; }

    CustomRuleController *ruleController() const { return m_ruleController; }
    void setRuleController(CustomRuleController *controller) { m_ruleController = controller; }
    void setDupOutlineView(DupOutlineView *view) { m_dupOutlineView = view; }
    void setSourceTable(SourceTableView *view) { m_sourceTable = view; }
    // Whether scans name the category of the groups they show before the list shows them, so that a
    // sort by category needs no wait; a report without categories is quicker without.
    void setNamesCategoriesAhead(bool names);
    // The front end's view of scans as they go, for the scans queued from now on.
    void setScanProgress(std::shared_ptr<ScanProgress> progress) { m_scanProgress = std::move(progress); }

    // --- Statistics and refresh (main thread unless said otherwise) -----------------------------
    // The duplicate list shows its rows anew, keeping the selected row.
    void reloadOutlineView();
    void updateSourceStat();
    void updateDupGroupStat();
    // Any thread.
    void updateStatBar(const QString &text);
    // Rebuilds totals, shown groups and statistics. Main thread, only while the scan queue waits
    // for it or has nothing to do.
    void syncAllSatus();
    // syncAllSatus with the groups already summarized.
    void syncAllSatus(GroupStore::Summary summary);
    void reIndex();
    // True for a group row, false for a file row or no item.
    static bool isDupGroup(const OutlineItem &item);

    // --- Scanning ------------------------------------------------------------------------------
    // Lists the source and queues its scan. Main thread.
    void addRootNode(RootNode::Ptr root);
    // The folder walk for one node and everything below it, taking in the files it finds. Scan queue.
    void addNewTreeNode_inRootNode(const MyTreeNode::Ptr &node, const RootNode::Ptr &root);
    // Takes one file into a source and places it in a group. Scan queue.
    bool addTreeNode_toRootNode(const MyTreeNode::Ptr &node, const RootNode::Ptr &root);

    // --- Removal and stopping ------------------------------------------------------------------
    // Takes one file out of its source and group; true when it was one of its source's files.
    // Scan queue.
    bool removeTreeNode(const MyTreeNode::Ptr &node);
    // Removes a finished source with all its files. Main thread. (By value: the caller's reference may
    // point into the list the source leaves.)
    void removeRootNode(RootNode::Ptr root);
    // Asks the scan of the source in the row holding the control to stop. Main thread.
    void stopSource(const QObject *control);

    // --- The clean task and its undo (main thread unless said otherwise) -------------------------
    using UndoRecord = QList<MyTreeNode::Ptr>;
    // 0 while a clean task or an undo runs, 1 otherwise; setting 1 during a clean task stops it at its
    // next check. Any thread.
    qint64 taskStatus() const;
    void setTaskStatus(qint64 status);
    // The answer to the running task's last error alert: 0 none, 1000 quit, 1001 continue, 1002
    // continue all. Any thread.
    qint64 alertAnswer() const;
    // The destination folder of a task that moves files; null until chosen. Any thread.
    Url undoPath() const;
    void setUndoPath(const Url &path);
    // One record per clean task that moved files, oldest first.
    const QList<UndoRecord> &undoArray() const { return m_undoArray; }
    // The files the last undo could not put back, with the reasons.
    const QList<FileFailure> &undoFailures() const { return m_undoFailures; }
    // Who answers the clean task's failures and hears of its removals, for the tasks started from now on.
    void setCleanFrontEnd(std::shared_ptr<CleanFrontEnd> frontEnd) { m_cleanFrontEnd = std::move(frontEnd); }
    // Starts a clean task on the shown groups with the stored choices, unless a task runs already or
    // moving was chosen without a destination.
    void runTask(const QObject *sender = nullptr);
    // Sends the file in the row holding the control to the trash, unless it is the last of its group
    // or a scan or task runs.
    void deleteOneFile(const QObject *control);
    void deleteOneFile(const MyTreeNode::Ptr &file);
    // Moves the files of the newest clean task that moved files back where they were.
    void undoTask(const QObject *sender = nullptr);
    // The task window: shown unless a task or a scan runs; closing it stops a running task; the
    // destination folder is chosen over it.
    void setTaskWindow(TaskWindow *window) { m_taskWindow = window; }
    void showTaskWindow(const QObject *sender = nullptr);
    void closeTaskWindow(const QObject *sender = nullptr);
    void SelectPath(const QObject *sender = nullptr);
    // Whether the toolbar item may be used: "undo" only while there is something to undo.
    bool validateToolbarItem(const QString &identifier) const;

    // --- The duplicate list and the source list (src/browser; main thread) ----------------------
    // Who opens and reveals files and folders for the lists: the desktop, or a fake in tests.
    void setDesktopServices(DesktopServices *services) { m_desktopServices = services; }
    // The dialog that adds sources; none in the command-line tool.
    void setOpenPanel(OpenPanel *panel) { m_openPanel = panel; }
    // The duplicate list's last sort order, reapplied after every rebuild; no value until the user
    // sorts.
    const std::optional<SortDescriptors> &outlineviewSortDesc() const { return m_outlineviewSortDesc; }
    // The file row the user selected last; its group row describes it.
    MyTreeNode::Ptr selectedNode() const { return m_selectedNode; }
    // The extension list, as the clean task reads it (arrangedObjects).
    const ArrayController<QString, QString> &allFileExtController() const { return m_allFileExtController; }

    // Orders the shown groups by the first descriptor when it names a group property ("fileNumber",
    // "fileSize", "fileExt", "categoryString"); by any other key, orders the files inside every group
    // instead, as childsInShownOrder gives them. Sends no notice.
    void sortShowGroups(const SortDescriptors &descriptors);
    void outlineView_sortDescriptorsDidChange(DupOutlineView *view, const SortDescriptors &oldDescriptors);
    // The action control above the list, by its "selectedSegment": tick all, untick all, collapse all,
    // expand all.
    void dupSegmentAction(const QObject *sender);
    // A group's files in the order the list shows them: the order of the last sort by a file
    // property, else the group's own (by addedDate). The group keeps its own order, by which it finds
    // its members.
    QList<MyTreeNode::Ptr> childsInShownOrder(const DupGroup &group) const;

    // The duplicate list's data source. item: none for the invisible root, a group, or a file.
    qint64 outlineView_numberOfChildrenOfItem(DupOutlineView *view, const OutlineItem &item) const;
    bool outlineView_isItemExpandable(DupOutlineView *view, const OutlineItem &item) const;
    // A group of the root also gets its category name, the first time it is asked for.
    OutlineItem outlineView_child_ofItem(DupOutlineView *view, qint64 index, const OutlineItem &item);
    bool outlineView_isGroupItem(DupOutlineView *view, const OutlineItem &item) const;
    double outlineView_heightOfRowByItem(DupOutlineView *view, const OutlineItem &item) const;
    // What a cell shows. A group has one cell across the row (any column): picture, tick and the
    // description of its shown file; none while it holds fewer than two files. A file has one per
    // column: "index", "path", "filename", "ext", "size", "date", "category".
    struct CellView
    {
        QString text;
        std::optional<Image> image;
        std::optional<bool> checkBox;
    };
    std::optional<CellView> outlineView_viewForTableColumn_item(DupOutlineView *view, const QString &column,
                                                                const OutlineItem &item);
    // The file a group row describes: the selected file when the group holds it, else its first.
    MyTreeNode::Ptr shownFileOfGroup(const DupGroup &group) const;

    void outlineViewSelectionDidChange();
    void outlineviewDoubleClick();
    // Actions of controls inside rows; a check box tells its state by its "checked" property.
    void checkDupGroup(const QObject *sender);
    void openDupInFinder(const QObject *sender);
    void openDup(const QObject *sender);

    // The source list: the control under it, by its "selectedSegment": scan-rule settings, add
    // through the open panel, remove all.
    void segmentAction(const QObject *sender);
    enum class DragOperation { None = 0, Copy = 1 };
    enum class DropOperation { On, Above };
    // A drop of native paths from a file manager: accepted anywhere on the table.
    DragOperation tableView_validateDrop_proposedRow_proposedDropOperation(SourceTableView *table,
                                                                           const QList<QByteArray> &paths,
                                                                           qint64 row,
                                                                           DropOperation operation);
    // Adds each path that is not a source yet and exists, then renumbers; always true.
    bool tableView_acceptDrop_row_dropOperation(SourceTableView *table, const QList<QByteArray> &paths,
                                                qint64 row, DropOperation operation);
    void tableView_sortDescriptorsDidChange(SourceTableView *table, const SortDescriptors &oldDescriptors);
    void tableViewSelectionDidChange();
    void openSourceInFinder(const QObject *sender);

    // --- Notices, all on the main thread -------------------------------------------------------
    enum class ShownGroupsChange {
        // showDupGroups was rebuilt: groups may have come, gone or moved.
        Replaced,
        // The same groups in another order, or the files inside groups in another order.
        Sorted,
        // What the rows show changed: ticks, the file a group row describes, source numbers.
        DataChanged,
    };
Q_SIGNALS:
    void showDupGroupsChanged(SourceNodeManager::ShownGroupsChange change);
    // A shown group's member list is about to change, and has changed: a member going in at, or
    // leaving, position. Between the two the list and the group's member count disagree by one.
    void groupMembersAboutToChange(const DupGroup *group, MemberObserver::Change change, qsizetype position);
    void groupMembersChanged(const DupGroup *group, MemberObserver::Change change, qsizetype position);
    // The group's picture (a thumbnail) arrived.
    void groupPictureChanged(const DupGroup *group);
    // Sources were added, removed or rearranged, or one changed state.
    void sourcesChanged();
    // The totals and statistics texts were recomputed.
    void statisticsChanged();
    // The status text changed; from scans at most every few frames.
    void statBarStringChanged();
    // A clean task or undo started or ended, or the undo history changed.
    void cleanTaskStateChanged();

private:
    // The design's one class, split by job: these run its tasks.
    friend class ManagerCore;
    friend class CleanTask;

    bool isScanning() const;

    ArrayController<RootNode> m_rootController;
    std::shared_ptr<ManagerCore> m_core;
    qint64 m_totalFileNumber = 0;
    qint64 m_totalFileSize = 0;
    QString m_sourceStatString;
    QString m_dupGroupStatString;
    DupOutlineView *m_dupOutlineView = nullptr;
    SourceTableView *m_sourceTable = nullptr;
    std::optional<QList<DupGroup::Ptr>> m_showDupGroups;
    qint64 m_totalDupGroupNumber = 0;
    qint64 m_totalRemovableFileNumber = 0;
    qint64 m_totalWasteSize = 0;
    CustomRuleController *m_ruleController = nullptr;
    std::shared_ptr<ScanProgress> m_scanProgress;
    QList<UndoRecord> m_undoArray;
    QList<FileFailure> m_undoFailures;
    std::shared_ptr<CleanFrontEnd> m_cleanFrontEnd;
    TaskWindow *m_taskWindow = nullptr;

    // The lists' fields (src/browser).
    void addSourcePaths(const QList<QByteArray> &paths);
    void removeAllRootNodes();
    std::optional<SortDescriptors> m_outlineviewSortDesc;
    // The descriptor of the last sort by a file property, which orders the files of every group.
    std::optional<SortDescriptor> m_fileOrder;
    MyTreeNode::Ptr m_selectedNode;
    ArrayController<QString, QString> m_allFileExtController;
    DesktopServices *m_desktopServices = nullptr;
    OpenPanel *m_openPanel = nullptr;
};
