#include "platform/MainThread.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace MainThread {
namespace {

std::atomic<bool> g_shutDown{false};
std::mutex g_waitMutex;
std::condition_variable g_waitDone;

void watchForQuit(QCoreApplication *app)
{
    static std::once_flag once;
    std::call_once(once, [app] {
        QObject::connect(app, &QCoreApplication::aboutToQuit, app, [] { shutDown(); }, Qt::DirectConnection);
    });
}

struct PendingCall
{
    bool finished = false;
    bool abandoned = false;
};

} // namespace

bool isCurrent()
{
    auto *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void async(std::function<void()> task)
{
    auto *app = QCoreApplication::instance();
    if (!app || g_shutDown)
        return;
    watchForQuit(app);
    QMetaObject::invokeMethod(app, std::move(task), Qt::QueuedConnection);
}

bool sync(const std::function<void()> &task)
{
    if (isCurrent()) {
        task();
        return true;
    }
    auto *app = QCoreApplication::instance();
    if (!app || g_shutDown)
        return false;
    watchForQuit(app);
    auto call = std::make_shared<PendingCall>();
    QMetaObject::invokeMethod(
        app,
        [call, &task] {
            {
                std::lock_guard lock(g_waitMutex);
                if (call->abandoned || g_shutDown)
                    return;
            }
            task();
            {
                std::lock_guard lock(g_waitMutex);
                call->finished = true;
            }
            g_waitDone.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(g_waitMutex);
    g_waitDone.wait(lock, [&] { return call->finished || g_shutDown; });
    if (!call->finished)
        call->abandoned = true;
    return call->finished;
}

void shutDown()
{
    {
        std::lock_guard lock(g_waitMutex);
        g_shutDown = true;
    }
    g_waitDone.notify_all();
}

} // namespace MainThread
