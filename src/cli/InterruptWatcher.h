#pragma once

#include <QObject>

#include <atomic>
#include <functional>

class QSocketNotifier;

// Ctrl-C (SIGINT) during a scan. The signal is blocked in every thread from the start and taken on the
// main thread through a signalfd, so that no code runs inside a signal handler, and so that a stop is
// never missed: the stop is asked for before the signal leaves the pending set, so whoever finds it
// no longer pending may rely on the stop (see checkPending). After the first Ctrl-C, SIGINT has its
// usual action again: a second one ends the process at once.
class InterruptWatcher : public QObject
{
public:
    // Blocks SIGINT for the calling thread and every thread it starts afterwards. Called first thing in
    // main(), before any other thread exists.
    static void blockInterrupts();

    explicit InterruptWatcher(std::function<void()> stop);
    ~InterruptWatcher() override;

    bool interrupted() const { return m_interrupted; }
    // Any thread: asks for the stop at once when a Ctrl-C is waiting to be taken. The scan calls it
    // after a write that may have waited for its reader, so that an interrupt sent meanwhile stops the
    // scan before it takes in another file.
    void checkPending();
    // Gives SIGINT its usual action back; one that is pending ends the process now.
    void release();

private:
    void interrupt();

    std::function<void()> m_stop;
    std::atomic<bool> m_interrupted{false};
    bool m_released = false;
    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
};
