#pragma once

#include "model/DupGroup.h"
#include "model/MyTreeNode.h"

#include <QHash>

#include <vector>

// Finds the group that takes a new file without offering the file to every group of its size.
//
// Offering a file to each group of its size bucket in turn costs time in proportion to the number
// of groups of that size. The answer, and every fingerprint computed on the way, depend only on the
// groups whose quick fingerprint is still unknown and those whose quick fingerprint equals the
// file's: every other group of the same size refuses the file without reading anything. So the
// index keeps, per size, the groups of unknown quick fingerprint and the groups by quick
// fingerprint, each in creation order, and offers the file to exactly those, in creation order.
// Scan queue only.
class GroupIndex
{
public:
    // Registers a group that was just appended to its bucket.
    void insert(const DupGroup::Ptr &group);
    // Forgets a group that left its bucket.
    void remove(const DupGroup *group);
    void clear();

    // Offers the node to the groups of its size, in creation order, as a walk over its whole bucket
    // would; returns the group that accounted for it, or null when none did.
    DupGroup::Ptr offer(const MyTreeNode::Ptr &node);

private:
    struct Entry
    {
        quint64 sequence;
        DupGroup::Ptr group;
    };
    using Entries = std::vector<Entry>;
    struct SizeClass
    {
        Entries unknownQuick;
        QHash<CompactFingerprint, Entries> byQuick;
        qsizetype groupCount = 0;
    };
    struct Location
    {
        qint64 size;
        quint64 sequence;
        // The quick fingerprint under which the group is filed; no value while it is unknown.
        CompactFingerprint quick;
    };

    static void insertInOrder(Entries &entries, Entry entry);
    static void eraseEntry(Entries &entries, quint64 sequence);
    void fileByQuickFingerprint(SizeClass &sizeClass, const DupGroup::Ptr &group);

    QHash<qint64, SizeClass> m_sizes;
    QHash<const DupGroup *, Location> m_locations;
    quint64 m_nextSequence = 0;
};
