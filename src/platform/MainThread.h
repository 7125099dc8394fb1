#pragma once

#include <functional>

// Hand-offs from background queues to the main thread, over the Qt event loop.
namespace MainThread {

// Sets up the main thread's side of the hand-offs. Call on the main thread once the application
// object exists; until then hand-offs still work, through Qt's event queue.
void install();

bool isCurrent();

// Runs the task on the main thread later, without waiting.
void async(std::function<void()> task);

// Runs the task on the main thread and waits until it has run; on the main thread itself it runs
// inline. Answers false, without running the task, once the application has begun to quit: a
// worker blocked here must not keep the process from ending.
bool sync(const std::function<void()> &task);

// How many hand-offs wait for the main thread to run them; lets a test know a worker is waiting.
int pendingCount();

// Called when the event loop ends; wakes every waiting worker and refuses further hand-offs.
// Installed automatically on QCoreApplication::aboutToQuit by the first hand-off.
void shutDown();

} // namespace MainThread
