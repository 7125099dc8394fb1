#pragma once

#include <QList>

#include <algorithm>
#include <functional>
#include <memory>

// Holds a list of objects for a view: the content in the order added, the arranged order the view
// shows (the content sorted by the current comparator, or as added when there is none), and the
// objects the view has selected. Elements are shared objects, or plain values such as texts.
// Main thread only.
template <typename T, typename Element = std::shared_ptr<T>> class ArrayController
{
public:
    using Ptr = Element;
    using LessThan = std::function<bool(const Ptr &, const Ptr &)>;

    const QList<Ptr> &content() const { return m_content; }
    void setContent(QList<Ptr> content)
    {
        m_content = std::move(content);
        rearrange();
    }

    void addObject(const Ptr &object)
    {
        m_content.append(object);
        rearrange();
    }
    void removeObject(const Ptr &object)
    {
        m_content.removeAll(object);
        rearrange();
    }

    const QList<Ptr> &arrangedObjects() const { return m_arranged; }

    void setSortComparator(LessThan lessThan)
    {
        m_lessThan = std::move(lessThan);
        rearrange();
    }

    // The selected objects that are still in the content, in arranged order.
    QList<Ptr> selectedObjects() const
    {
        QList<Ptr> selected;
        for (const Ptr &object : m_arranged) {
            if (m_selected.contains(object))
                selected.append(object);
        }
        return selected;
    }
    void setSelectedObjects(QList<Ptr> objects) { m_selected = std::move(objects); }

private:
    void rearrange()
    {
        m_arranged = m_content;
        if (m_lessThan)
            std::stable_sort(m_arranged.begin(), m_arranged.end(), m_lessThan);
    }

    QList<Ptr> m_content;
    QList<Ptr> m_arranged;
    QList<Ptr> m_selected;
    LessThan m_lessThan;
};
