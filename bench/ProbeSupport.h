// What the probes of the main thread share: waiting for a queue while the event loop runs, and the
// longest stall of a 5 ms timer on the main thread.
#pragma once

#include "platform/SerialQueue.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <atomic>

// Runs the event loop until every task queued on the queue so far has run.
inline void drain(SerialQueue &queue)
{
    std::atomic<bool> done{false};
    queue.async([&done] { done = true; });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::processEvents();
}

// A timer due every 5 ms on the main thread: how late it came at the worst is how long the thread
// could not answer a person.
class StallMeter
{
public:
    StallMeter()
    {
        m_ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_ticker, &QTimer::timeout,
                         [this] { m_longest = std::max(m_longest, m_sinceLastTick.restart() - interval); });
    }
    void start()
    {
        m_sinceLastTick.start();
        m_ticker.start(interval);
    }
    // The longest stall since start, in ms.
    qint64 stop()
    {
        m_ticker.stop();
        return m_longest;
    }

private:
    static constexpr int interval = 5;
    QTimer m_ticker;
    QElapsedTimer m_sinceLastTick;
    qint64 m_longest = 0;
};
