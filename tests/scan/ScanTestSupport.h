#pragma once

#include "platform/MainThread.h"
#include "platform/SerialQueue.h"
#include "scan/SourceNodeManager.h"

#include <QtTest>

#include <atomic>
#include <memory>

// Spins the event loop until every task queued on the scan queue so far has run, serving the
// hand-offs that those tasks make to the main thread meanwhile.
inline bool waitForScanQueue(int timeoutMs = 120000)
{
    auto done = std::make_shared<std::atomic<bool>>(false);
    SourceNodeManager::scanQueue().async([done] { *done = true; });
    QDeadlineTimer deadline(timeoutMs);
    while (!*done && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    // Hand-offs posted without waiting (the end of a removal) run on the next turns of the loop.
    QCoreApplication::processEvents();
    return *done;
}
