#include "cli/InterruptWatcher.h"

#include <QSocketNotifier>

#include <pthread.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

sigset_t interruptSet()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    return set;
}

} // namespace

void InterruptWatcher::blockInterrupts()
{
    const sigset_t set = interruptSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

InterruptWatcher::InterruptWatcher(std::function<void()> stop) : m_stop(std::move(stop))
{
    const sigset_t set = interruptSet();
    m_fd = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (m_fd < 0)
        return;
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { interrupt(); });
}

InterruptWatcher::~InterruptWatcher()
{
    release();
    if (m_fd >= 0)
        ::close(m_fd);
}

void InterruptWatcher::interrupt()
{
    // The stop first, then the signal is taken: see checkPending().
    m_stop();
    m_interrupted = true;
    signalfd_siginfo info;
    [[maybe_unused]] const ssize_t taken = ::read(m_fd, &info, sizeof info);
    m_notifier->setEnabled(false);
    release();
}

void InterruptWatcher::checkPending()
{
    sigset_t pending;
    if (::sigpending(&pending) == 0 && sigismember(&pending, SIGINT)) {
        m_stop();
        m_interrupted = true;
    }
}

void InterruptWatcher::release()
{
    if (m_released)
        return;
    m_released = true;
    // Other threads keep it blocked, so the main thread takes a later SIGINT, with the action the
    // process was started with (normally the end of the process).
    const sigset_t set = interruptSet();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}
