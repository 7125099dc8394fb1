#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

// Turns Ctrl-C (SIGINT) into a call on the main thread. The signal handler only writes one byte to
// a pipe; the event loop reads it and runs the reaction, so nothing unsafe runs inside the handler.
class InterruptWatcher : public QObject
{
public:
    explicit InterruptWatcher(std::function<void()> onInterrupt);
    ~InterruptWatcher() override;

private:
    std::function<void()> m_onInterrupt;
    QSocketNotifier *m_notifier = nullptr;
};
