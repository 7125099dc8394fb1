#pragma once

#include "model/CompactFingerprint.h"
#include "model/DupGroup.h"
#include "model/FingerprintSource.h"
#include "model/MyTreeNode.h"

#include <QHash>

#include <memory>
#include <span>
#include <vector>

// Finds the group that takes a new file without offering the file to every group of its size.
//
// Offering a file to each group of its size bucket in turn costs time in proportion to the number
// of groups of that size. The answer, and every fingerprint computed on the way, depend only on the
// groups whose quick fingerprint is still unknown and those whose quick fingerprint equals the
// file's: every other group of the same size refuses the file without reading anything. So the
// index files the groups by size and quick fingerprint (unknown counting as one more value), each
// list in creation order, and offers the file to exactly those two lists, merged in creation order.
// Scan queue only.
class GroupIndex
{
public:
    // Registers a group that was just appended to its bucket.
    void insert(const DupGroup::Ptr &group);
    // Forgets a group that left its bucket.
    void remove(const DupGroup *group);
    void clear();

    struct Offered
    {
        // Refused when no group took the node; Undecided when one could not decide without reading.
        DupGroup::AddResult result = DupGroup::AddResult::Refused;
        // The group that accounted for the node (it joined, or is the same file as a member).
        DupGroup::Ptr group;
    };
    // Offers the node to the groups of its size, in creation order, as a walk over its whole bucket
    // would, until one accounts for it.
    Offered offer(const MyTreeNode::Ptr &node, FingerprintSource &fingerprints, MemberObserver *observer);

    // What offering a node of this size will meet, for reading its fingerprints ahead: whether any
    // group has the size, and the first members of the groups of the size whose quick fingerprint is
    // the given one (no value: still unknown).
    bool hasGroupsOfSize(qint64 size) const { return m_filed.contains(Key{size, CompactFingerprint()}); }
    QList<const MyTreeNode *> firstMembersOf(qint64 size, const CompactFingerprint &quick) const;

private:
    struct Key
    {
        qint64 size;
        // No value: the groups whose quick fingerprint is still unknown.
        CompactFingerprint quick;

        friend bool operator==(const Key &a, const Key &b) { return a.size == b.size && a.quick == b.quick; }
        friend size_t qHash(const Key &key, size_t seed) { return qHash(key.quick, qHash(key.size, seed)); }
    };

    // Groups in creation order. Nearly every list holds one group, kept without an allocation of
    // its own.
    class Groups
    {
    public:
        Groups() = default;
        // Copyable, as the hash's values must be; the index itself never copies them.
        Groups(const Groups &other);
        Groups &operator=(const Groups &other);
        Groups(Groups &&) = default;
        Groups &operator=(Groups &&) = default;

        std::span<const DupGroup::Ptr> view() const;
        bool isEmpty() const { return view().empty(); }
        void insert(const DupGroup::Ptr &group);
        // False when the group is not listed.
        bool erase(const DupGroup *group);

    private:
        DupGroup::Ptr m_one;
        std::unique_ptr<std::vector<DupGroup::Ptr>> m_many;
    };

    struct Filed
    {
        Groups groups;
        // Kept on the entry of unknown quick fingerprint: the number of groups of the size, so that
        // the entry stays while the size has any group and tells that the node must be fingerprinted.
        qsizetype groupsOfSize = 0;
    };

    // What the group was filed under: its size and quick fingerprint, which an emptied group still
    // remembers.
    static Key keyOf(const DupGroup &group);
    static quint64 sequenceOf(const DupGroup &group) { return group.indexSequence(); }
    // Moves a group whose quick fingerprint became known to the list of that fingerprint.
    void refile(const DupGroup::Ptr &group);

    QHash<Key, Filed> m_filed;
    quint64 m_nextSequence = 0;
};
