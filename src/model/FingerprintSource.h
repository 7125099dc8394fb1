#pragma once

#include "fs/FileManagerProxy.h"
#include "fs/FingerprintCache.h"
#include "fs/FingerprintLevel.h"
#include "model/CompactFingerprint.h"
#include "model/PreciseLevel.h"

#include <QList>

#include <functional>
#include <optional>
#include <vector>

class Directory;
class MyTreeNode;

// Where a group gets the content fingerprints it compares, and the level of precise fingerprints. A
// scan reads the fingerprints its grouping will need ahead, many at once, and hands them in; reading
// one from disk is the fallback.
class FingerprintSource
{
public:
    // With a cache, what it remembers of a file as the scan found it is not read, and what is read is
    // recorded in it.
    explicit FingerprintSource(PreciseLevel preciseLevel, FingerprintCache *cache = nullptr)
        : m_preciseLevel(preciseLevel), m_cache(cache)
    {
    }
    virtual ~FingerprintSource() = default;

    // The node's fingerprint at the level: one without value when its content cannot be read, and
    // nothing at all when it may not be read now (the scan was stopped and it was not read ahead).
    virtual std::optional<CompactFingerprint> fingerprint(const MyTreeNode &node, FingerprintLevel level);

    FingerprintLevel preciseLevel(qint64 size) const { return m_preciseLevel.forSize(size); }

    // The reads themselves: every fingerprint grouping gets passes through these. A fingerprint the
    // cache holds for the file's identity, size, times (as the walk listed them) and level is taken
    // from it; anything else is what the file-system service reads now: packages over their content;
    // whatever is found at the path other than the item the walk listed has none, and so has a read
    // that stopRequested cuts short. folder, when given, is the open folder the node is an entry of:
    // the file is then looked at and opened by its name there.
    CompactFingerprint read(const MyTreeNode &node, FingerprintLevel level,
                            const std::function<bool()> &stopRequested = {}) const;
    // The same, and whether the text covers the whole content (then it is the file's fingerprint at
    // every level).
    FileManagerProxy::FileFingerprint readWithCoverage(const MyTreeNode &node, FingerprintLevel level,
                                                       const std::function<bool()> &stopRequested,
                                                       const Directory *folder = nullptr) const;
    // The whole-content fingerprints of many files at once, on all cores; proceed(i, isCallingThread) is
    // asked before file i is read (see FileManagerProxy::wholeContentFingerprints). folders, when not
    // empty, are the files' open folders (null for a file without one).
    std::vector<std::optional<QString>>
    readWholeContents(const QList<const MyTreeNode *> &files,
                      const std::function<bool(qsizetype i, bool isCallingThread)> &proceed,
                      const std::function<bool()> &stopRequested,
                      const QList<const Directory *> &folders = {}) const;
    // Whether the node's path still names the file the walk listed; through its open folder when given.
    static bool namesListedFile(const MyTreeNode &node, const Directory *folder);

private:
    // What the cache remembers of the node as the walk listed it.
    std::optional<FingerprintCache::Fingerprint> remembered(const MyTreeNode &node,
                                                            FingerprintLevel level) const;

    PreciseLevel m_preciseLevel;
    FingerprintCache *m_cache;
};
