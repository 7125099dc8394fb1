#include "fs/ReadFailures.h"

#include "platform/SystemLog.h"

#include <mutex>

namespace ReadFailures {

namespace {

std::mutex &observerMutex()
{
    static std::mutex mutex;
    return mutex;
}

Observer &installed()
{
    static Observer observer;
    return observer;
}

} // namespace

void setObserver(Observer observer)
{
    std::lock_guard lock(observerMutex());
    installed() = std::move(observer);
}

void report(const Url &url, const QString &reason)
{
    SystemLog::write(QStringLiteral("%1: %2").arg(url.escapedPath(), reason));
    // Failures are rare, so one lock around the observer costs nothing that matters.
    std::lock_guard lock(observerMutex());
    if (installed())
        installed()(url, reason);
}

} // namespace ReadFailures
