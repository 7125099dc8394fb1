#pragma once

#include "model/DupGroup.h"
#include "model/MemberObserver.h"
#include "model/MyTreeNode.h"
#include "model/RootNode.h"
#include "platform/ArrayController.h"
#include "scan/GroupStore.h"
#include "scan/ScanRules.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class CustomRuleController;
class ManagerCore;
class ScanProgress;
class SerialQueue;

// The engine of TwinSift: owns the sources, the store of groups and the queues on which long work
// runs; scans sources, takes files and sources out, and sums up what the scans found. It knows nothing
// of lists or clean-ups: the duplicate list (browser) and the clean task (clean) follow its notices and
// work through it.
//
// Threads: scans and removals run one at a time on the scan queue, on the engine's core, which they
// hold so that the engine may go away while they run. The sources and the summary change only on the
// main thread. The group store, and the member lists of groups that are not shown, are read on the main
// thread only by syncAllSatus, which runs only while the scan queue waits for it or is idle; so the
// scan queue changes them in place, and hands the main thread only the changes of shown groups. The
// main thread never waits for a background queue.
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
    // Folders a stretch holds open for reading its files by name (two stretches are open at a time).
    static constexpr qsizetype foldersPerStretch = 256;

    explicit SourceNodeManager(ScanRules rules = {});
    // Stops the scans; tasks still queued run on without the engine and change nothing it showed.
    ~SourceNodeManager() override;

    // The process-wide queues, made by the first engine and shared by later ones.
    static SerialQueue &scanQueue();
    static SerialQueue &thumbnailQueue();
    // What queued tasks of other layers (the clean task, its undo) work on. Any thread.
    const std::shared_ptr<ManagerCore> &core() const { return m_core; }

    // --- Rules --------------------------------------------------------------------------------
    // The rules scans apply from their next file on; any thread.
    std::shared_ptr<const CustomRuleController> ruleController() const;
    void setScanRules(ScanRules rules);
    // Whether scans name the category of the groups they find before the list shows them, so that a
    // sort by category needs no wait; a report without categories is quicker without.
    void setNamesCategoriesAhead(bool names);
    // The front end's view of scans as they go, for the scans queued from now on.
    void setScanProgress(std::shared_ptr<ScanProgress> progress) { m_scanProgress = std::move(progress); }

    // --- Sources (main thread) ----------------------------------------------------------------
    // The sources in the order added; the controller's arranged order is the source list's.
    const QList<RootNode::Ptr> &rootNodes() const { return m_rootController.content(); }
    ArrayController<RootNode> &rootController() { return m_rootController; }
    bool isScanning() const;
    // Lists the source and queues its scan.
    void addRootNode(RootNode::Ptr root);
    // Removes a finished source with all its files. (By value: the caller's reference may point into
    // the list the source leaves.)
    void removeRootNode(RootNode::Ptr root);
    // Stops every scan and removes every source and group.
    void removeAllRootNodes();
    // Asks the scan of the source to stop at its next check.
    void stopSource(const RootNode::Ptr &root);
    // Takes a finished source's files out and scans it anew, with the rules of now, in its place in
    // the list; the same for every finished source.
    void rescanRootNode(const RootNode::Ptr &root);
    void rescanAllRootNodes();
    // Numbers the sources in their arranged order.
    void reIndex();
    // Marks the source protected, or not: nothing under it is removed, moved, trashed or replaced, and
    // the summary counts only what can go.
    void setSourceProtected(const RootNode::Ptr &root, bool isProtected);
    // Folders besides the protected sources whose files are never touched (the command line's
    // --protect).
    void setProtectedFolders(QList<Url> folders);
    // The protected sources' folders and those; any thread.
    ProtectedFolders protection() const;

    // --- Scanning and removal (scan queue) ------------------------------------------------------
    // The folder walk for one node and everything below it, taking in the files it finds.
    void addNewTreeNode_inRootNode(const MyTreeNode::Ptr &node, const RootNode::Ptr &root);
    // Takes one file into a source and places it in a group.
    bool addTreeNode_toRootNode(const MyTreeNode::Ptr &node, const RootNode::Ptr &root);
    // Takes one file out of its source and group; true when it was one of its source's files.
    bool removeTreeNode(const MyTreeNode::Ptr &node);

    // --- What the scans found (main thread) -----------------------------------------------------
    // The scan queue, or the main thread while the scan queue waits or is idle.
    const QList<Bucket> &dupGroups() const;
    // The files of all sources, a file reached through two sources counted once.
    qint64 totalFileNumber() const { return m_totalFileNumber; }
    qint64 totalFileSize() const { return m_totalFileSize; }
    // The groups of two or more files, in the order of the store, and their figures; as of the last
    // syncAllSatus.
    const GroupStore::Summary &summary() const { return m_summary; }
    qint64 totalDupGroupNumber() const { return m_summary.groups; }
    qint64 totalRemovableFileNumber() const { return m_summary.removable; }
    qint64 totalWasteSize() const { return m_summary.waste; }
    // Sums the sources' totals, renumbers them and gathers the groups of duplicates anew. Only while
    // the scan queue waits for it or has nothing to do.
    void syncAllSatus();
    // syncAllSatus with the groups already summarized.
    void syncAllSatus(GroupStore::Summary summary);

    // Why the fingerprint cache could not be loaded or saved, when it could not: told once, by the end
    // of the scan that met it (also as the status text).
    const std::optional<QString> &fingerprintCacheWarning() const { return m_fingerprintCacheWarning; }

    // The status text under the lists; " " when there is nothing to say. Any thread.
    QString statBarString() const;
    void updateStatBar(const QString &text);

Q_SIGNALS:
    // All on the main thread.
    // Sources were added, removed or rearranged, or one changed state.
    void sourcesChanged();
    // A source left the list, or all did: what was done to their files can no longer be undone.
    void sourcesRemoved();
    // syncAllSatus gathered the groups and totals anew.
    void summaryChanged();
    // A shown group's member list is about to change, and has changed: a member going in at, or
    // leaving, position. Between the two the list and the group's member count disagree by one.
    void groupMembersAboutToChange(const DupGroup *group, MemberObserver::Change change, qsizetype position);
    void groupMembersChanged(const DupGroup *group, MemberObserver::Change change, qsizetype position);
    // The group's picture (a thumbnail) arrived.
    void groupPictureChanged(const DupGroup *group);
    // The status text changed; from scans at most every few frames.
    void statBarStringChanged();

private:
    friend class ManagerCore;
    void updateProtection();

    ArrayController<RootNode> m_rootController;
    std::shared_ptr<ManagerCore> m_core;
    std::shared_ptr<ScanProgress> m_scanProgress;
    qint64 m_totalFileNumber = 0;
    qint64 m_totalFileSize = 0;
    GroupStore::Summary m_summary;
    QList<Url> m_protectedFolders;
    std::optional<QString> m_fingerprintCacheWarning;
};
