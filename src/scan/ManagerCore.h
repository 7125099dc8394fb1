#pragma once

#include "model/MemberObserver.h"
#include "model/MyTreeNode.h"
#include "model/RootNode.h"
#include "scan/GroupStore.h"
#include "scan/ScanProgress.h"
#include "scan/StatusText.h"

#include <QList>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

class BackgroundPrefetch;
class FingerprintSource;
class SourceNodeManager;

// The part of the source manager that its queued tasks work on: the group store, the status text,
// and the scan and removal tasks themselves.
//
// Tasks hold it by a shared reference, so it outlives a manager that goes away while they are queued
// or running (the window closing during a scan): the manager stops its scans, hands over its sources
// and detaches, and whoever lets go of the core last breaks the ties between nodes, groups and sources,
// so everything is freed without a task ever meeting a destroyed manager.
class ManagerCore : public MemberObserver, public std::enable_shared_from_this<ManagerCore>
{
public:
    explicit ManagerCore(SourceNodeManager *manager);
    ~ManagerCore() override;
    ManagerCore(const ManagerCore &) = delete;
    ManagerCore &operator=(const ManagerCore &) = delete;

    GroupStore groups;
    StatusText status;
    // Whether a scan names the category of each group it newly shows, before the list shows it.
    std::atomic<bool> namesCategories{false};
    // The clean task's state: set on the main thread, read by the running task.
    std::atomic<qint64> taskStatus{1};
    std::atomic<qint64> alertAnswer{0};
    Url undoPath() const;
    void setUndoPath(const Url &path);

    // The manager goes away, leaving its sources and the files of its undo history here until the
    // last task is done. Main thread.
    void detach(QList<RootNode::Ptr> roots, QList<QList<MyTreeNode::Ptr>> undoArray);

    // Runs a step on the main thread with the manager while the calling task waits; false, without
    // running it, when the manager is gone or the application is quitting.
    bool withManager(const std::function<void(SourceNodeManager &)> &step);

    // --- Scan queue --------------------------------------------------------------------------------
    // The scan task of a source.
    void scan(const RootNode::Ptr &root, const std::shared_ptr<ScanProgress> &frontEnd);
    // The walk below a node: lists the files the rules and the minimum size take, a stretch at a time,
    // and takes each stretch in.
    void walk(const MyTreeNode::Ptr &node, const RootNode::Ptr &root, ScanProgress &progress);
    // Takes a file into its source and places it in a group. False, with nothing changed, when the file
    // could not be placed without reading a fingerprint the source may not read.
    bool takeIn(const MyTreeNode::Ptr &node, const RootNode::Ptr &root, FingerprintSource &fingerprints);
    // Takes a file out of its source and its group; false when it was not one of its source's files.
    bool removeFile(const MyTreeNode::Ptr &node);
    // The removal task of a source that already left the list.
    void removeSource(const RootNode::Ptr &root);

    // --- Main thread: the member changes of shown groups, passed on as the manager's notices --------
    void membersAboutToChange(const DupGroup &group, Change change, qsizetype position) override;
    void membersChanged(const DupGroup &group, Change change, qsizetype position) override;

private:
    // A walk's files: the stretch being listed, and the one before it, being read.
    struct Stretches
    {
        QList<MyTreeNode::Ptr> listing;
        std::unique_ptr<BackgroundPrefetch> reading;
    };
    void collect(const MyTreeNode::Ptr &node, const RootNode::Ptr &root, Stretches &stretches,
                 ScanProgress &progress);
    // Takes in the stretch being read, once read, and starts reading the one listed.
    void passOn(Stretches &stretches, const RootNode::Ptr &root, ScanProgress &progress);
    void takeInRead(Stretches &stretches, const RootNode::Ptr &root, ScanProgress &progress);
    // Asks the thumbnail queue for a picture of a new group of duplicates, when the user wants them.
    void requestThumbnail(const DupGroup::Ptr &group);
    // The status text changed, on any thread: the manager hears of it at once on the main thread, and
    // from other threads at most every few frames.
    void statusChanged();
    void emitStatusChanged();

    // Main thread only; null once the manager is gone.
    SourceNodeManager *m_manager;
    std::atomic<bool> m_statusNotificationPending{false};
    QList<RootNode::Ptr> m_departedRoots;
    QList<QList<MyTreeNode::Ptr>> m_departedUndoArray;
    mutable std::mutex m_undoPathMutex;
    Url m_undoPath;
};
