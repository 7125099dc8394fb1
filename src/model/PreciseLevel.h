#pragma once

#include "fs/FingerprintLevel.h"

// Which level a precise fingerprint is made at: sampled for large files when fast scanning is on, the
// whole content otherwise. Taken from the settings at one moment by whoever groups files.
class PreciseLevel
{
public:
    // Files of largeFrom bytes and more count as large.
    PreciseLevel(bool fastScan, qint64 largeFrom) : m_fastScan(fastScan), m_largeFrom(largeFrom) {}

    bool isFastScan() const { return m_fastScan; }
    qint64 largeFrom() const { return m_largeFrom; }

    FingerprintLevel forSize(qint64 size) const
    {
        return m_fastScan && size >= m_largeFrom ? FingerprintLevel::SampledPrecise
                                                 : FingerprintLevel::WholeContent;
    }

private:
    bool m_fastScan;
    qint64 m_largeFrom;
};
