#pragma once

#include "fs/FingerprintLevel.h"
#include "model/CompactFingerprint.h"
#include "model/PreciseLevel.h"

#include <functional>
#include <optional>

class MyTreeNode;

// Where a group gets the content fingerprints it compares, and the level of precise fingerprints. A
// scan reads the fingerprints its grouping will need ahead, many at once, and hands them in; reading
// one from disk is the fallback.
class FingerprintSource
{
public:
    explicit FingerprintSource(PreciseLevel preciseLevel) : m_preciseLevel(preciseLevel) {}
    virtual ~FingerprintSource() = default;

    // The node's fingerprint at the level: one without value when its content cannot be read, and
    // nothing at all when it may not be read now (the scan was stopped and it was not read ahead).
    virtual std::optional<CompactFingerprint> fingerprint(const MyTreeNode &node, FingerprintLevel level);

    FingerprintLevel preciseLevel(qint64 size) const { return m_preciseLevel.forSize(size); }

    // The fingerprint as the file-system service reads it now: packages over their content. Whatever
    // is found at the path other than the item the walk listed has none; so has a read that
    // stopRequested cuts short.
    static CompactFingerprint read(const MyTreeNode &node, FingerprintLevel level,
                                   const std::function<bool()> &stopRequested = {});

private:
    PreciseLevel m_preciseLevel;
};
