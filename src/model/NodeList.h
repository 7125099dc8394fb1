#pragma once

#include <QHash>
#include <QList>

#include <memory>

class MyTreeNode;

// The files of one source in the order they were taken in, with membership by identity. Lookups and
// removals cost the same whatever the size, so removing many files from a large source stays linear.
// A node keeps its own position in the list that holds it, which spares a table per file; a node in
// more than one list is found through a table in the others. Scan queue only.
class NodeList
{
public:
    using Ptr = std::shared_ptr<MyTreeNode>;

    bool contains(const MyTreeNode *node) const;
    qsizetype size() const { return m_count; }
    // False when the node was already listed.
    bool append(const Ptr &node);
    // False when the node was not listed.
    bool remove(const MyTreeNode *node);
    QList<Ptr> toList() const;
    // Calls visit with each node, in order, without a copy of the list.
    template <typename Visit> void forEach(Visit visit) const
    {
        for (const Ptr &node : m_slots) {
            if (node)
                visit(*node);
        }
    }

private:
    // The node's position here, or -1.
    qsizetype positionOf(const MyTreeNode *node) const;
    bool holdsOwnPosition(const MyTreeNode *node) const;
    void compact();

    // Removed entries leave an empty slot until compaction, so positions stay valid.
    QList<Ptr> m_slots;
    QHash<const MyTreeNode *, qsizetype> m_elsewhere;
    qsizetype m_count = 0;
};
