#pragma once

#include "model/MemberObserver.h"
#include "model/MyTreeNode.h"
#include "model/ProtectedFolders.h"
#include "model/RootNode.h"
#include "scan/FingerprintPrefetch.h"
#include "scan/GroupStore.h"
#include "scan/ScanProgress.h"
#include "scan/ScanRules.h"
#include "scan/StatusText.h"

#include <QList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class BackgroundPrefetch;
class CustomRuleController;
class FingerprintCache;
class FingerprintSource;
class SourceNodeManager;

// The part of the engine that queued tasks work on: the group store, the status text, the rules, and
// the scan and removal tasks themselves.
//
// Tasks hold it by a shared reference, so it outlives an engine that goes away while they are queued
// or running (the window closing during a scan): the engine stops its scans and detaches, and tasks
// still to run find no engine to tell.
class ManagerCore : public MemberObserver, public std::enable_shared_from_this<ManagerCore>
{
public:
    ManagerCore(SourceNodeManager *manager, ScanRules rules);
    ManagerCore(const ManagerCore &) = delete;
    ManagerCore &operator=(const ManagerCore &) = delete;

    GroupStore groups;
    StatusText status;
    // Whether a scan names the category of each group it newly shows, before the list shows it.
    std::atomic<bool> namesCategories{false};
    // The rules, replaced whole when they change; a scan takes the current ones at every file.
    std::atomic<std::shared_ptr<const CustomRuleController>> rules;
    // The folders whose files stay, replaced whole when they change.
    std::atomic<std::shared_ptr<const ProtectedFolders>> protection;

    // Saves what the fingerprint cache learned since its last save.
    ~ManagerCore() override;

    // The engine goes away. Main thread.
    void detach() { m_manager = nullptr; }

    // --- The fingerprint cache (scan queue) ---------------------------------------------------------
    // The cache when the rules of now use one, loaded on first use; else null. A cache file that cannot
    // be trusted is told of once, at the end of the scan, and the files are read instead.
    FingerprintCache *fingerprintCache();
    // A cache of the caller's (a test's, with its own place and clock) in place of the user's; before
    // the first scan.
    void setFingerprintCache(std::unique_ptr<FingerprintCache> cache);
    // Writes the cache out, when one was loaded.
    void saveFingerprintCache();

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
    // Takes a file out of its group and places it anew by its whole content, as a group found by samples
    // turned out to hold files that differ; false when it was not one of its source's files.
    bool regroupByWholeContent(const MyTreeNode::Ptr &node);
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
        // The open folder of each file listed, which reads go through, and how many differ.
        FingerprintPrefetch::Folders folders;
        qsizetype folderCount = 0;
        std::unique_ptr<BackgroundPrefetch> reading;
    };
    void collect(const MyTreeNode::Ptr &node, const std::shared_ptr<const Directory> &folder,
                 const RootNode::Ptr &root, Stretches &stretches, ScanProgress &progress);
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
    std::unique_ptr<FingerprintCache> m_cache;
    bool m_cacheLoaded = false;
    // Why the cache could not be loaded or saved, until the end of the scan tells it.
    std::optional<QString> m_cacheWarning;
    std::atomic<bool> m_statusNotificationPending{false};
};
