#pragma once

#include "platform/MainThread.h"

#include <QPointer>

#include <functional>

class CleanController;

// Runs a step of a task on the main thread with the controller, while the task waits; false, without
// running it, when the controller is gone (the window closed) or the application is quitting.
inline bool withController(const QPointer<CleanController> &controller,
                           const std::function<void(CleanController &)> &step)
{
    bool ran = false;
    MainThread::sync([&] {
        if (controller) {
            step(*controller);
            ran = true;
        }
    });
    return ran;
}
