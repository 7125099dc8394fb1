#pragma once

#include <QtGlobal>

// Which level a precise fingerprint is made at: the sampled level 1 for large files when fast scanning
// is on, the whole content (level 2) otherwise. Taken from the settings at one moment.
class PreciseLevel
{
public:
    static PreciseLevel fromSettings();

    qint64 forSize(qint64 size) const { return m_fastScan && size >= m_largeFrom ? 1 : 2; }

private:
    PreciseLevel(bool fastScan, qint64 largeFrom) : m_fastScan(fastScan), m_largeFrom(largeFrom) {}

    bool m_fastScan;
    qint64 m_largeFrom;
};
