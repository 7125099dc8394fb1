#include "platform/MainThread.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>

#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

namespace MainThread {
namespace {

// Tasks for the main thread wait in a queue of our own; the event loop is only asked to drain it.
// Everything a task carries is created and handed over under this mutex, so the hand-over is
// visible to thread checkers even though Qt's own event queue is not.
std::mutex g_mutex;
std::condition_variable g_callDone;
std::deque<std::function<void()>> g_tasks;
bool g_drainPosted = false;
std::atomic<bool> g_shutDown{false};
// Wakes the event loop to drain the queue; -1 until install() ran.
std::atomic<int> g_wakeFd{-1};

void drain();

void postDrain(QCoreApplication *app)
{
    // An eventfd rather than a posted event: a posted event carries objects made on this thread to
    // the main thread through Qt's queue, which thread checkers cannot follow.
    if (const int fd = g_wakeFd; fd >= 0) {
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t written = ::write(fd, &one, sizeof one);
        return;
    }
    QMetaObject::invokeMethod(app, &drain, Qt::QueuedConnection);
}

void drain()
{
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard lock(g_mutex);
            if (g_tasks.empty() || g_shutDown) {
                g_drainPosted = false;
                return;
            }
            task = std::move(g_tasks.front());
            g_tasks.pop_front();
        }
        task();
    }
}

void watchForQuit(QCoreApplication *app)
{
    static std::once_flag once;
    std::call_once(once, [app] {
        QObject::connect(
            app, &QCoreApplication::aboutToQuit, app, [] { shutDown(); }, Qt::DirectConnection);
    });
}

// Queues a task; false once the application is quitting.
bool enqueue(std::function<void()> task)
{
    auto *app = QCoreApplication::instance();
    if (!app)
        return false;
    watchForQuit(app);
    std::lock_guard lock(g_mutex);
    if (g_shutDown)
        return false;
    g_tasks.push_back(std::move(task));
    if (!g_drainPosted) {
        g_drainPosted = true;
        postDrain(app);
    }
    return true;
}

} // namespace

void install()
{
    auto *app = QCoreApplication::instance();
    if (!app || !isCurrent() || g_wakeFd >= 0)
        return;
    const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0)
        return;
    auto *notifier = new QSocketNotifier(fd, QSocketNotifier::Read, app);
    QObject::connect(notifier, &QSocketNotifier::activated, app, [fd] {
        quint64 count;
        [[maybe_unused]] const ssize_t read = ::read(fd, &count, sizeof count);
        drain();
    });
    g_wakeFd = fd;
}

bool isCurrent()
{
    auto *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void async(std::function<void()> task)
{
    enqueue(std::move(task));
}

int pendingCount()
{
    std::lock_guard lock(g_mutex);
    return int(g_tasks.size());
}

bool sync(const std::function<void()> &task)
{
    if (isCurrent()) {
        task();
        return true;
    }
    // The waiter owns the flag; the task may only run while the waiter still waits for it.
    auto finished = std::make_shared<bool>(false);
    const bool queued = enqueue([finished, &task] {
        task();
        {
            std::lock_guard lock(g_mutex);
            *finished = true;
        }
        g_callDone.notify_all();
    });
    if (!queued)
        return false;
    std::unique_lock lock(g_mutex);
    g_callDone.wait(lock, [&] { return *finished || g_shutDown; });
    return *finished;
}

void shutDown()
{
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard lock(g_mutex);
        g_shutDown = true;
        dropped.swap(g_tasks);
    }
    g_callDone.notify_all();
}

} // namespace MainThread
