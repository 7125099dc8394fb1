#pragma once

#include <QHash>
#include <QList>

#include <memory>

class MyTreeNode;

// The files of one source in the order they were taken in, with membership by identity. Lookups and
// removals cost the same whatever the size, so removing many files from a large source stays linear.
class NodeList
{
public:
    using Ptr = std::shared_ptr<MyTreeNode>;

    bool contains(const MyTreeNode *node) const { return m_position.contains(node); }
    qsizetype size() const { return m_position.size(); }
    // False when the node was already listed.
    bool append(const Ptr &node);
    // False when the node was not listed.
    bool remove(const MyTreeNode *node);
    QList<Ptr> toList() const;

private:
    void compact();

    // Removed entries leave an empty slot until compaction, so positions stay valid.
    QList<Ptr> m_slots;
    QHash<const MyTreeNode *, qsizetype> m_position;
};
