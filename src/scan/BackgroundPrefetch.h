#pragma once

#include "scan/FingerprintPrefetch.h"
#include "scan/ScanProgress.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

// A stretch's fingerprints read on a thread of their own, so that the walk goes on listing folders
// while the files it listed before are read: on a cold disk, the disk then never waits for the walk.
//
// The groups it reads from must not change until wait() returns.
class BackgroundPrefetch
{
public:
    BackgroundPrefetch(QList<MyTreeNode::Ptr> files, FingerprintPrefetch::Folders folders,
                       const GroupIndex &groups, const RootNode &root, PreciseLevel preciseLevel,
                       FingerprintCache *cache);
    ~BackgroundPrefetch();
    BackgroundPrefetch(const BackgroundPrefetch &) = delete;
    BackgroundPrefetch &operator=(const BackgroundPrefetch &) = delete;

    const QList<MyTreeNode::Ptr> &files() const { return m_files; }

    // Waits until the stretch is read, telling progress on this thread now and then which file is
    // being read.
    FingerprintPrefetch &wait(ScanProgress &progress);

private:
    void read(const GroupIndex &groups, const RootNode &root, PreciseLevel preciseLevel,
              FingerprintCache *cache);

    const QList<MyTreeNode::Ptr> m_files;
    // Kept open until the stretch is taken in: the grouping may read a file again.
    const FingerprintPrefetch::Folders m_folders;
    std::optional<FingerprintPrefetch> m_prefetch;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    // The file being read, until the waiting thread reports it.
    std::optional<Url> m_reading;
    bool m_done = false;
    std::thread m_thread;
};
