#pragma once

#include "fs/FileAttributes.h"
#include "fs/FileId.h"
#include "fs/FolderListing.h"
#include "model/CompactFingerprint.h"
#include "platform/Url.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <sys/types.h>

#include <atomic>
#include <limits>
#include <memory>
#include <optional>

class DupGroup;
class RootNode;

// One item a scan met: a folder, a file or a package (a directory shown as one document). It records
// what the rest of TwinSift needs without asking the file system again. Properties may be read on
// any thread; each single read or write is indivisible.
//
// A folder owns its children; Parent does not own. A group owns its members and a source the files
// it took in; dupGroup and rootNode refer back to them without owning, so no ties need breaking when
// they go.
//
// A scan keeps one node per file it took in, so the node is kept small: texts that many nodes share
// are interned, fingerprints are compact, dates are integers, and what only folders or moved files
// need lives behind one pointer.
class MyTreeNode
{
    struct Token
    {
    };

public:
    using Ptr = std::shared_ptr<MyTreeNode>;

    // No node for a missing item, a symbolic link, an item named ".DS_Store", or a special file
    // (FIFO, socket, device) that has no content to compare.
    static Ptr initWithURL(const Url &url);
    // The same for an item whose attributes a listing has read.
    static Ptr initWithURL(const Url &url, const std::optional<FileAttributes> &attributes);

    MyTreeNode(Token, Url url);
    ~MyTreeNode();
    MyTreeNode(const MyTreeNode &) = delete;
    MyTreeNode &operator=(const MyTreeNode &) = delete;

    // The folder's entries as nodes, built once on first use; no list for files and packages.
    // The folder is opened from the folder that listed it and never through a link, so a folder
    // swapped for a link meanwhile only vanishes from the walk. *opened, when asked for, is the open
    // folder the entries were listed from, for reading them by name (null once they were listed).
    // Scan queue only.
    std::optional<QList<Ptr>> Childs(std::shared_ptr<const Directory> *opened = nullptr);
    // What Childs could not look at: the folder itself, or entries of it. Scan queue only.
    QList<SkippedItem> skippedEntries() const { return m_rare ? m_rare->skipped : QList<SkippedItem>(); }

    bool isFolder() const { return m_flags & folderFlag; }
    bool isDir() const { return m_flags & dirFlag; }
    // Always false for a node: links never become nodes.
    bool isSymbol() const { return false; }
    QString FileName() const { return m_url.displayName(); }
    // The item's type identifier (its MIME type name), found on first request: finding it may mean
    // reading the file's first bytes, which a scan over many files should not pay for.
    std::optional<QString> fileType() const;
    const Url &FileURL() const { return m_url; }
    // The path for display; compare FileURL() for identity of paths.
    QString filePath() const { return m_url.displayPath(); }
    // The folder whose Childs listed this node, while that folder lives.
    Ptr Parent() const;

    qint64 FileSize() const { return m_fileSize; }
    void setFileSize(qint64 size) { m_fileSize = size; }

    // A node is added when it was created: its birth time, or where the file system records none, its
    // modification time.
    std::optional<QDateTime> addedDate() const { return dateOrNone(m_createDate); }
    bool isAddedDateModificationDate() const { return m_flags & modificationDateAddedFlag; }
    std::optional<QDateTime> createDate() const { return dateOrNone(m_createDate); }
    std::optional<QDateTime> modifyDate() const
    {
        return m_modifyDate == noDate ? std::nullopt : dateOrNone(m_modifyDate / 1'000'000);
    }
    // The modification time in nanoseconds since the epoch, as scanned: with the size and the file's
    // identity it tells whether the file is still the one that was compared.
    qint64 modificationNanoseconds() const { return m_modifyDate; }
    // The change time in nanoseconds, as scanned: what a remembered fingerprint is checked against.
    qint64 changeNanoseconds() const { return m_changeDate; }
    // Milliseconds since the epoch of addedDate, or the lowest value when there is none: the key by
    // which a group orders its members.
    qint64 addedDateKey() const { return m_createDate; }
    // addedDate as "yyyy-MM-dd  HH:mm:ss" in the user's locale and time zone.
    std::optional<QString> fileAddedDateString() const;

    std::optional<QString> fileMD5() const;
    void setFileMD5(const std::optional<QString> &fingerprint);
    std::optional<QString> preciseFileMD5() const;
    void setPreciseFileMD5(const std::optional<QString> &fingerprint);
    // The same two fingerprints as stored, for comparing them without making texts.
    CompactFingerprint compactFileMD5() const;
    void setCompactFileMD5(CompactFingerprint fingerprint);
    CompactFingerprint compactPreciseFileMD5() const;
    void setCompactPreciseFileMD5(CompactFingerprint fingerprint);

    // The lowercased extension, or "N/A".
    QString fileExt() const { return *m_fileExt; }

    // The group and the source, while they live.
    std::shared_ptr<DupGroup> dupGroup() const;
    void setDupGroup(const std::shared_ptr<DupGroup> &group);
    std::shared_ptr<RootNode> rootNode() const;
    void setRootNode(const std::shared_ptr<RootNode> &root);

    // Where the clean task moved the file; null until then.
    Url removeDstURL() const;
    void setRemoveDstURL(const Url &url);

    // Device and inode number: two nodes with the same identity are one file on disk, whatever their
    // paths. No value when the item's attributes could not be read.
    std::optional<FileId> fileId() const
    {
        if (m_inode == 0)
            return std::nullopt;
        return FileId{quint64(m_device), quint64(m_inode)};
    }

    // The node's position in the source's file list that holds it, or -1. Kept by that list.
    qsizetype listSlot() const { return m_listSlot; }
    void setListSlot(qsizetype slot) { m_listSlot = qint32(slot); }

private:
    // What few nodes need: a folder's own reference (for its children's Parent) and its children,
    // and the place the clean task moved a file to. Once set, the pointer to it never changes.
    struct Rare
    {
        std::weak_ptr<MyTreeNode> self;
        std::unique_ptr<QList<Ptr>> childs;
        // The open folder that listed this folder, until Childs opens this one from it. Its siblings
        // share it, so a walk holds a descriptor per level, not per folder.
        std::shared_ptr<const Directory> listedBy;
        QList<SkippedItem> skipped;
        Url removeDstURL;
    };

    static constexpr qint64 noDate = std::numeric_limits<qint64>::min();
    static constexpr quint8 folderFlag = 1;
    static constexpr quint8 dirFlag = 2;
    static constexpr quint8 modificationDateAddedFlag = 4;
    static std::optional<QDateTime> dateOrNone(qint64 msecs);

    const Url m_url;
    std::weak_ptr<DupGroup> m_dupGroup;
    std::weak_ptr<RootNode> m_rootNode;
    std::unique_ptr<Rare> m_rare;
    // The folder that listed this node; cleared by that folder when it goes.
    MyTreeNode *m_parent = nullptr;
    // Interned; the type is null until first asked for.
    const QString *m_fileExt;
    mutable std::atomic<const QString *> m_fileType{nullptr};
    std::atomic<qint64> m_fileSize{0};
    qint64 m_createDate = noDate;
    // Nanoseconds, unlike the creation date.
    qint64 m_modifyDate = noDate;
    qint64 m_changeDate = 0;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    CompactFingerprint m_fileMD5;
    CompactFingerprint m_preciseFileMD5;
    quint8 m_flags = 0;
    qint32 m_listSlot = -1;
};
