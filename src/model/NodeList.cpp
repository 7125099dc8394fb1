#include "model/NodeList.h"

#include "model/MyTreeNode.h"

bool NodeList::append(const Ptr &node)
{
    if (!node || contains(node.get()))
        return false;
    m_position.insert(node.get(), m_slots.size());
    m_slots.append(node);
    return true;
}

bool NodeList::remove(const MyTreeNode *node)
{
    const auto it = m_position.constFind(node);
    if (it == m_position.constEnd())
        return false;
    m_slots[*it].reset();
    m_position.erase(it);
    if (m_slots.size() > 64 && m_position.size() < m_slots.size() / 2)
        compact();
    return true;
}

QList<NodeList::Ptr> NodeList::toList() const
{
    QList<Ptr> nodes;
    nodes.reserve(m_position.size());
    for (const Ptr &node : m_slots) {
        if (node)
            nodes.append(node);
    }
    return nodes;
}

void NodeList::compact()
{
    m_slots = toList();
    m_position.clear();
    for (qsizetype i = 0; i < m_slots.size(); ++i)
        m_position.insert(m_slots[i].get(), i);
}
