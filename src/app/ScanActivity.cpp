#include "app/ScanActivity.h"

#include "fs/ReadMeter.h"
#include "model/MyTreeNode.h"

void ScanActivity::scanStarted(const RootNode &)
{
    // Scans run one after another; the counts start again when scanning starts after a pause.
    if (m_scanning.fetch_add(1) == 0) {
        m_files = 0;
        m_bytes = 0;
        m_readBefore = ReadMeter::total();
    }
}

qint64 ScanActivity::bytesCompared() const
{
    return ReadMeter::total() - m_readBefore.load(std::memory_order_relaxed);
}

void ScanActivity::scanEnded(const RootNode &)
{
    m_scanning.fetch_sub(1);
}

void ScanActivity::fileTakenIn(const RootNode &, const MyTreeNode &file)
{
    m_files.fetch_add(1, std::memory_order_relaxed);
    m_bytes.fetch_add(file.FileSize(), std::memory_order_relaxed);
}
