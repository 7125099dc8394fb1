#pragma once

#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// A first-in, first-out task queue served by one worker thread of its own, so its tasks never
// overlap and run in the order submitted. The worker thread carries the queue's label as its name
// (cut to the 15 bytes Linux allows).
class SerialQueue
{
public:
    explicit SerialQueue(QString label);
    // Runs the tasks already submitted, then stops the worker.
    ~SerialQueue();

    SerialQueue(const SerialQueue &) = delete;
    SerialQueue &operator=(const SerialQueue &) = delete;

    const QString &label() const { return m_label; }

    // Submits a task without waiting for it.
    void async(std::function<void()> task);

    // True on this queue's worker thread.
    bool isCurrent() const;

    // Tasks submitted and not yet finished (the running one included).
    size_t pendingCount() const;

private:
    void run();

    const QString m_label;
    mutable std::mutex m_mutex;
    std::condition_variable m_wakeUp;
    std::deque<std::function<void()>> m_tasks;
    size_t m_running = 0;
    bool m_stopping = false;
    std::thread m_worker;
};
