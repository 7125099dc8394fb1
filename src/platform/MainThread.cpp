#include "platform/MainThread.h"

#include <QCoreApplication>
#include <QThread>

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
        QObject::connect(app, &QCoreApplication::aboutToQuit, app, [] { shutDown(); }, Qt::DirectConnection);
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
        QMetaObject::invokeMethod(app, &drain, Qt::QueuedConnection);
    }
    return true;
}

} // namespace

bool isCurrent()
{
    auto *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void async(std::function<void()> task)
{
    enqueue(std::move(task));
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
