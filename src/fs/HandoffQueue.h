#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

// Hands items from one thread to another in order. take() waits for an item; once the queue is
// closed and empty it returns no value, which tells the taker that nothing more will come.
template <typename T> class HandoffQueue
{
public:
    void put(T item)
    {
        {
            std::lock_guard lock(m_mutex);
            m_items.push_back(std::move(item));
        }
        m_changed.notify_one();
    }

    void close()
    {
        {
            std::lock_guard lock(m_mutex);
            m_closed = true;
        }
        m_changed.notify_all();
    }

    std::optional<T> take()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_items.empty() || m_closed; });
        if (m_items.empty())
            return std::nullopt;
        T item = std::move(m_items.front());
        m_items.pop_front();
        return item;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<T> m_items;
    bool m_closed = false;
};
