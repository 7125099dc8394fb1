#pragma once

#include "scan/ScanProgress.h"

#include <QtGlobal>

#include <atomic>

// What the status bar shows beside the status text while sources are scanned: that scanning goes
// on, the files and bytes taken in since scanning began, and the bytes read to compare contents, which
// grow while a few large files are compared and nothing else moves. Written on the scan queue, read on
// the GUI thread.
class ScanActivity : public ScanProgress
{
public:
    void scanStarted(const RootNode &root) override;
    void scanEnded(const RootNode &root) override;
    void fileTakenIn(const RootNode &root, const MyTreeNode &file) override;

    bool isScanning() const { return m_scanning.load(std::memory_order_relaxed) > 0; }
    qint64 files() const { return m_files.load(std::memory_order_relaxed); }
    qint64 bytes() const { return m_bytes.load(std::memory_order_relaxed); }
    qint64 bytesCompared() const;

private:
    std::atomic<int> m_scanning{0};
    std::atomic<qint64> m_files{0};
    std::atomic<qint64> m_bytes{0};
    // What the process had read for fingerprints when scanning began.
    std::atomic<qint64> m_readBefore{0};
};
