#pragma once

#include <QList>

#include <algorithm>
#include <functional>
#include <memory>

// Holds a list of objects for a view: the content in the order added, and the arranged order the
// view shows (the content sorted by the current comparator, or as added when there is none).
// Main thread only.
template <typename T> class ArrayController
{
public:
    using Ptr = std::shared_ptr<T>;
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

private:
    void rearrange()
    {
        m_arranged = m_content;
        if (m_lessThan)
            std::stable_sort(m_arranged.begin(), m_arranged.end(), m_lessThan);
    }

    QList<Ptr> m_content;
    QList<Ptr> m_arranged;
    LessThan m_lessThan;
};
