#pragma once

#include "model/CompactFingerprint.h"
#include "model/FingerprintSource.h"
#include "model/MyTreeNode.h"

#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class GroupIndex;
class RootNode;

// The fingerprints that grouping a stretch of a walk's files will ask for, computed before the
// grouping by as many readers at once as the disk answers well (see ReadDepth).
//
// Grouping offers files one at a time and reads a file only when a comparison needs it, which keeps
// one core busy and the others idle. Once a stretch of the walk is listed it is known which
// fingerprints the grouping of its files will ask for: the quick fingerprint of every file whose
// size another file of the stretch or an earlier group has, and the precise one of every file whose
// quick fingerprint another file or group of its size shares. Those are computed ahead, in parallel, and kept
// aside rather than stored on the nodes: a node receives a fingerprint only when the grouping asks for it, as
// it would without the prefetch. Fingerprints that fail are not kept, so they are tried again when asked for.
//
// It is also where the grouping of the stretch gets every fingerprint: one not read ahead is read when
// asked for, unless the scan was stopped; then the grouping stops at the first file it cannot decide.
class FingerprintPrefetch : public FingerprintSource
{
public:
    // Called now and then from the thread that built the prefetch with the file being read.
    using Progress = std::function<void(const MyTreeNode &)>;

    // The open folder each file was listed from, read through while the prefetch lives; empty, or null
    // for a file, where files are read by their paths.
    using Folders = QList<std::shared_ptr<const Directory>>;

    // Computes ahead for the files, which are given in walk order and will be offered to the groups
    // of the index (read, not changed); stops early when the source is stopped. The cache, when given,
    // answers what it remembers and records what is read.
    FingerprintPrefetch(const QList<MyTreeNode::Ptr> &files, const Folders &folders, const GroupIndex &groups,
                        const RootNode &root, PreciseLevel preciseLevel, FingerprintCache *cache,
                        const Progress &progress);

    std::optional<CompactFingerprint> fingerprint(const MyTreeNode &node, FingerprintLevel level) override;

    // The fingerprint of the node at the level, when it was read ahead.
    std::optional<CompactFingerprint> ready(const MyTreeNode &node, FingerprintLevel level) const;

private:
    // Where a file is on disk: nodes that share it are one file.
    using FileKey = FileId;
    struct Quick
    {
        CompactFingerprint text;
        // The text covers the whole file, so it is the precise fingerprint at levels 1 and 2 too.
        bool isWholeContent = false;
    };
    struct Precise
    {
        CompactFingerprint text;
        FingerprintLevel level;
        // The node whose path was read.
        const MyTreeNode *readThrough = nullptr;
    };

    static FileKey fileKeyOf(const MyTreeNode &node);
    const Directory *folderOf(const MyTreeNode &node) const { return m_folders.value(&node); }
    // Reads one file, through its open folder when it has one.
    FileManagerProxy::FileFingerprint readFile(const MyTreeNode &node, FingerprintLevel level) const;
    static bool isBeforeOnDisk(const MyTreeNode *a, const MyTreeNode *b);
    void computeQuick(const QList<MyTreeNode::Ptr> &files, const GroupIndex &groups, const RootNode &root,
                      const Progress &progress);
    void computePrecise(const GroupIndex &groups, const Progress &progress);

    const RootNode &m_root;
    QHash<const MyTreeNode *, const Directory *> m_folders;

    // Quick fingerprints are kept per node: a file is read through one of its names, and its other
    // names share the text only while their paths still name it, as reading through them would.
    QList<const MyTreeNode *> m_read;
    QHash<const MyTreeNode *, Quick> m_quick;
    // Precise fingerprints are read once per file on disk, and serve the node read and the nodes
    // whose quick fingerprint was read through their own path.
    QHash<FileKey, Precise> m_precise;
};
