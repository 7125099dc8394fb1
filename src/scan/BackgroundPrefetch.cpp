#include "scan/BackgroundPrefetch.h"

#include <system_error>

BackgroundPrefetch::BackgroundPrefetch(QList<MyTreeNode::Ptr> files, FingerprintPrefetch::Folders folders,
                                       const GroupIndex &groups, const RootNode &root,
                                       PreciseLevel preciseLevel, FingerprintCache *cache)
    : m_files(std::move(files)), m_folders(std::move(folders))
{
    try {
        m_thread = std::thread(
            [this, &groups, &root, preciseLevel, cache] { read(groups, root, preciseLevel, cache); });
    } catch (const std::system_error &) {
        // Out of threads: the stretch is read here, before the walk goes on.
        read(groups, root, preciseLevel, cache);
    }
}

BackgroundPrefetch::~BackgroundPrefetch()
{
    if (m_thread.joinable())
        m_thread.join();
}

void BackgroundPrefetch::read(const GroupIndex &groups, const RootNode &root, PreciseLevel preciseLevel,
                              FingerprintCache *cache)
{
    const auto reading = [this](const MyTreeNode &file) {
        {
            const std::lock_guard lock(m_mutex);
            m_reading = file.FileURL();
        }
        m_changed.notify_one();
    };
    // m_files keeps the nodes alive that the prefetch points to.
    m_prefetch.emplace(m_files, m_folders, groups, root, preciseLevel, cache, reading);
    {
        const std::lock_guard lock(m_mutex);
        m_done = true;
    }
    m_changed.notify_one();
}

FingerprintPrefetch &BackgroundPrefetch::wait(ScanProgress &progress)
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_done || m_reading; });
        if (m_done)
            break;
        const Url url = *std::exchange(m_reading, std::nullopt);
        lock.unlock();
        progress.at(ScanProgress::Phase::ReadingContents, url);
        lock.lock();
    }
    lock.unlock();
    if (m_thread.joinable())
        m_thread.join();
    return *m_prefetch;
}
