#pragma once

#include "fs/FileManagerProxy.h"
#include "fs/FingerprintLevel.h"
#include "model/CompactFingerprint.h"
#include "model/PreciseLevel.h"

#include <QList>

#include <functional>
#include <optional>
#include <vector>

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

    // The reads themselves: every fingerprint grouping gets from the disk passes through these, so
    // that a cache of fingerprints would sit here. They read what the file-system service reads now:
    // packages over their content; whatever is found at the path other than the item the walk listed
    // has none, and so has a read that stopRequested cuts short.
    static CompactFingerprint read(const MyTreeNode &node, FingerprintLevel level,
                                   const std::function<bool()> &stopRequested = {});
    // The same, and whether the text covers the whole content (then it is the file's fingerprint at
    // every level).
    static FileManagerProxy::FileFingerprint readWithCoverage(const MyTreeNode &node, FingerprintLevel level,
                                                              const std::function<bool()> &stopRequested);
    // The whole-content fingerprints of many files at once, on all cores; proceed(i, isCallingThread) is
    // asked before file i is read (see FileManagerProxy::wholeContentFingerprints).
    static std::vector<std::optional<QString>>
    readWholeContents(const QList<const MyTreeNode *> &files,
                      const std::function<bool(qsizetype i, bool isCallingThread)> &proceed,
                      const std::function<bool()> &stopRequested);

private:
    PreciseLevel m_preciseLevel;
};
