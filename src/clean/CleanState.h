#pragma once

#include "platform/Url.h"

#include <atomic>
#include <mutex>

enum class AlertAnswer;

// Whether a clean task or an undo runs; asking a task to stop is setting the status idle.
enum class TaskStatus { Running, Idle };

// What the window and a running clean task or undo share: set on the main thread, read by the task
// on the scan queue at its next check.
class CleanState
{
public:
    std::atomic<TaskStatus> taskStatus{TaskStatus::Idle};
    // The running task's answer to its last failure.
    std::atomic<AlertAnswer> alertAnswer;

    CleanState();
    // The destination folder of a task that moves files; null until chosen.
    Url undoPath() const;
    void setUndoPath(const Url &path);

private:
    mutable std::mutex m_mutex;
    Url m_undoPath;
};
