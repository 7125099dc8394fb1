#pragma once

#include "fs/FingerprintLevel.h"
#include "model/CompactFingerprint.h"
#include "model/MemberObserver.h"
#include "platform/Image.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <span>

class FingerprintSource;
class GroupIndex;
class MyTreeNode;

// Files of equal size and equal content fingerprints, kept in the order of their addedDate, earliest
// first. With one member it is an ordinary file; with two or more, a group of duplicates.
//
// addChild and delChild run on the scan queue. While the group is shown (the duplicate list may
// read its members at any time) they change the member lists on the main thread while the scan
// queue waits, and tell the observer; a group that is not shown is read by the main thread only while
// the scan queue waits for it, so its lists change in place without a hand-off.
//
// A scan makes a group for nearly every file, and most never get a second member, so a group of one
// keeps its member in place; the member lists, the picture and the category live behind one
// pointer that a group gets when it needs them.
class DupGroup : public std::enable_shared_from_this<DupGroup>
{
public:
    using Ptr = std::shared_ptr<DupGroup>;
    using NodePtr = std::shared_ptr<MyTreeNode>;

    static Ptr init();
    DupGroup() = default;
    ~DupGroup();
    DupGroup(const DupGroup &) = delete;
    DupGroup &operator=(const DupGroup &) = delete;

    enum class AddResult {
        // The node is a member: it joined, or already was one.
        Joined,
        // The node is the same file as a member (reached through another path or a hard link): it is
        // accounted for by this group but joins none, so that a file is never its own duplicate.
        SameFile,
        // The node does not belong here.
        Refused,
        // Deciding needs a fingerprint that may not be read now.
        Undecided,
    };

    // The grouping rule: equal size, then equal quick fingerprints, never the same file twice, then
    // equal precise fingerprints. Fingerprints come from the source when first needed and are kept on
    // the node and on the group, so no file is read twice for one stage.
    AddResult addChild(const NodePtr &node, FingerprintSource &fingerprints,
                       MemberObserver *observer = nullptr);
    // Takes a member out; emptying the group forgets its fingerprints, size, type and extension.
    void delChild(const NodePtr &node, MemberObserver *observer = nullptr);
    // The nodes refused as the same file as a member since the last call: when a member leaves, they
    // may belong in this group (or another) after all. Scan queue.
    QList<NodePtr> takeSameFileNodes();

    // Whether a member joined by a sampled fingerprint (fast scan of large files): the files may
    // still differ between the samples.
    bool isComparedBySamples() const { return m_comparedBySamples; }
    bool isSelected() const { return m_isSelected; }
    void setIsSelected(bool selected) { m_isSelected = selected; }
    std::optional<QString> fileMD5() const;
    std::optional<QString> preciseFileMD5() const;
    // The quick fingerprint as stored, for comparing and filing it without making a text.
    CompactFingerprint compactFileMD5() const;
    qint64 fileNumber() const { return m_fileNumber; }
    qint64 fileSize() const { return m_fileNumber > 0 ? m_fileSize.load() : 0; }
    // The type of the first member.
    std::optional<QString> fileType() const;
    // Main thread, or the scan queue.
    QList<NodePtr> childs() const;
    // The earliest member, without a copy of the list; null for an empty group. Main thread, or the
    // scan queue.
    const MyTreeNode *firstMember() const;
    std::optional<QString> fileExt() const;
    // Main thread, or the scan queue.
    QStringList allFileExt() const;
    // The picture of the group's row: a thumbnail once one was made, else the first member's icon
    // while the group has two or more members.
    std::optional<Image> fileImage() const;
    void setFileImage(const std::optional<Image> &image);
    // Whether a picture was stored: a thumbnail, or the icon once the group was first drawn.
    bool hasStoredImage() const;
    std::optional<QString> categoryString() const;
    void setCategoryString(const std::optional<QString> &category);

    // Whether the duplicate list may be showing the group. Set on the main thread by the rebuild of
    // the shown groups.
    bool isShown() const { return m_isShown; }
    void setIsShown(bool shown) { m_isShown = shown; }

    // What an index files the group under: its size and quick fingerprint, which an emptied group
    // still remembers (though it reports neither), since the index hears of a removal only after it;
    // and its place in the order the index made groups.
    qint64 filingSize() const { return m_fileSize; }
    CompactFingerprint filingFingerprint() const { return lockedFingerprint(m_fileMD5); }
    quint64 indexSequence() const { return m_indexSequence; }
    void setIndexSequence(quint64 sequence) { m_indexSequence = sequence; }

private:
    struct Extras;

    // One content stage's fingerprint on a node: how to read and keep it.
    struct NodeFingerprint
    {
        CompactFingerprint (MyTreeNode::*get)() const;
        void (MyTreeNode::*set)(CompactFingerprint);
    };
    enum class Match { Equal, Different, Unknown };
    // Compares the group's fingerprint of one stage (taken from its first member) with the node's.
    Match matchStage(CompactFingerprint &groupField, NodeFingerprint field, MyTreeNode &node,
                     FingerprintLevel level, FingerprintSource &fingerprints);
    bool holdsSameFileAs(const MyTreeNode &node) const;
    void addMember(const NodePtr &node, MemberObserver *observer);
    // The members in order, wherever they are kept. Main thread, or the scan queue.
    std::span<const NodePtr> members() const;
    // Runs a change of the member lists where the lists' readers expect it.
    void changeMembers(const std::function<void()> &change, MemberObserver::Change kind, qsizetype position,
                       MemberObserver *observer);
    // The node's place in the members, found through its addedDate; -1 when it is not a member.
    qsizetype memberPosition(const MyTreeNode *node) const;
    void indexMember(const MyTreeNode &node, int delta);
    CompactFingerprint lockedFingerprint(const CompactFingerprint &field) const;
    // Made on first use by whichever thread needs them; never replaced.
    Extras &extras() const;

    std::atomic<qint64> m_fileSize{0};
    // The only member while there has been only one; null once the members are in the extras.
    NodePtr m_onlyMember;
    mutable std::atomic<Extras *> m_extras{nullptr};
    // Interned; null for no value.
    std::atomic<const QString *> m_fileExt{nullptr};
    // The group's place in creation order, given by the group index.
    quint64 m_indexSequence = 0;
    std::atomic<qint32> m_fileNumber{0};
    std::atomic<bool> m_isSelected{true};
    std::atomic<bool> m_isShown{false};
    std::atomic<bool> m_comparedBySamples{false};
    CompactFingerprint m_fileMD5;
    CompactFingerprint m_preciseFileMD5;
};
