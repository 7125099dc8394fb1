#pragma once

#include "model/DupGroup.h"
#include "model/MyTreeNode.h"
#include "model/ProtectedFolders.h"
#include "scan/GroupIndex.h"

#include <QList>
#include <QSet>
#include <QStringList>

#include <functional>

// Every group of files, duplicates or not: the bucket table, which holds each group under the low 13
// bits of its size in creation order, and the index through which a file finds its group without
// meeting every group of its bucket. The grouping rule itself is DupGroup::addChild.
//
// Changed on the scan queue; read on the main thread only while the scan queue waits for it or has
// nothing to do.
class GroupStore
{
public:
    using Bucket = QList<DupGroup::Ptr>;
    static constexpr int bucketCount = 8192;
    static qsizetype bucketIndexForSize(qint64 size) { return size & 0x1FFF; }

    // Told of a group that has just become a group of duplicates.
    explicit GroupStore(std::function<void(const DupGroup::Ptr &)> becameDuplicates);

    // No buckets until the first file is placed, and again after clear().
    const QList<Bucket> &buckets() const { return m_buckets; }
    const GroupIndex &index() const { return m_index; }

    // Places a file its source has just taken in: in the first group of its size that accounts for it,
    // in creation order, or else in a group of its own. Undecided when a group could not decide without
    // reading; the file is then in no group.
    GroupIndex::Offered place(const MyTreeNode::Ptr &node, FingerprintSource &fingerprints,
                              MemberObserver *observer);
    // Takes a file out of its group. The files that group had refused as the same file as a member are
    // offered again: with that member gone, they may be duplicates after all.
    void takeOut(const MyTreeNode::Ptr &node, FingerprintSource &fingerprints, MemberObserver *observer);

    // The groups of duplicates and their figures.
    struct Summary
    {
        QList<DupGroup::Ptr> shown;
        // Distinct, sorted by localized case-insensitive comparison.
        QStringList extensions;
        qint64 groups = 0;
        qint64 removable = 0;
        qint64 waste = 0;
    };
    // Gathers the groups of two or more members in bucket order, marking every group shown or not, and
    // lets go of the groups emptied since the last summary. Files in protected folders count as what
    // stays: a group of protected files only is not shown.
    Summary summarize(const ProtectedFolders &protection = {});

    // Forgets every group. The caller breaks the groups' ties with their members.
    void clear();

private:
    void found(const MyTreeNode::Ptr &node, FingerprintSource &fingerprints, MemberObserver *observer);

    QList<Bucket> m_buckets;
    GroupIndex m_index;
    // Buckets holding groups emptied since the last summary. Taking an emptied group out of its bucket
    // at once would cost a search of the bucket for every file removed.
    QSet<qsizetype> m_emptied;
    std::function<void(const DupGroup::Ptr &)> m_becameDuplicates;
};
