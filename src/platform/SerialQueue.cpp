#include "platform/SerialQueue.h"

#include <pthread.h>

SerialQueue::SerialQueue(QString label) : m_label(std::move(label))
{
    m_worker = std::thread([this] { run(); });
    ::pthread_setname_np(m_worker.native_handle(), m_label.toUtf8().right(15).constData());
}

SerialQueue::~SerialQueue()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wakeUp.notify_one();
    m_worker.join();
}

void SerialQueue::async(std::function<void()> task)
{
    {
        std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    m_wakeUp.notify_one();
}

bool SerialQueue::isCurrent() const
{
    return std::this_thread::get_id() == m_worker.get_id();
}

size_t SerialQueue::pendingCount() const
{
    std::lock_guard lock(m_mutex);
    return m_tasks.size() + m_running;
}

void SerialQueue::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wakeUp.wait(lock, [this] { return m_stopping || !m_tasks.empty(); });
        if (m_tasks.empty())
            return;
        std::function<void()> task = std::move(m_tasks.front());
        m_tasks.pop_front();
        m_running = 1;
        lock.unlock();
        task();
        task = nullptr;
        lock.lock();
        m_running = 0;
    }
}
