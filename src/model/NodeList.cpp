#include "model/NodeList.h"

#include "model/MyTreeNode.h"

bool NodeList::holdsOwnPosition(const MyTreeNode *node) const
{
    const qsizetype slot = node->listSlot();
    return slot >= 0 && slot < m_slots.size() && m_slots[slot].get() == node;
}

qsizetype NodeList::positionOf(const MyTreeNode *node) const
{
    if (!node)
        return -1;
    if (holdsOwnPosition(node))
        return node->listSlot();
    return m_elsewhere.value(node, -1);
}

bool NodeList::contains(const MyTreeNode *node) const
{
    return positionOf(node) >= 0;
}

bool NodeList::append(const Ptr &node)
{
    if (!node || contains(node.get()))
        return false;
    // A node whose position belongs to another list is found through the table here.
    if (node->listSlot() < 0)
        node->setListSlot(m_slots.size());
    else
        m_elsewhere.insert(node.get(), m_slots.size());
    m_slots.append(node);
    ++m_count;
    return true;
}

bool NodeList::remove(const MyTreeNode *node)
{
    const qsizetype position = positionOf(node);
    if (position < 0)
        return false;
    if (!m_elsewhere.remove(node))
        m_slots[position]->setListSlot(-1);
    m_slots[position].reset();
    --m_count;
    if (m_slots.size() > 64 && m_count < m_slots.size() / 2)
        compact();
    return true;
}

QList<NodeList::Ptr> NodeList::toList() const
{
    QList<Ptr> nodes;
    nodes.reserve(m_count);
    for (const Ptr &node : m_slots) {
        if (node)
            nodes.append(node);
    }
    return nodes;
}

void NodeList::compact()
{
    QList<Ptr> kept = toList();
    for (qsizetype i = 0; i < kept.size(); ++i) {
        MyTreeNode *node = kept[i].get();
        if (const auto found = m_elsewhere.find(node); found != m_elsewhere.end())
            *found = i;
        else
            node->setListSlot(i);
    }
    m_slots = std::move(kept);
}
