#pragma once

#include <QtGlobal>

#include <functional>

// Runs body once on each of `threads` threads at the same time, this thread being one of them, and
// returns when every run has returned. isCallingThread is true only for the run on this thread.
// Fewer runs are made when the system refuses threads; at least the one on this thread always runs.
void onThreads(int threads, const std::function<void(bool isCallingThread)> &body);

// onThreads with a thread per core.
void onAllCores(const std::function<void(bool isCallingThread)> &body);

// Runs work(i, isCallingThread) for every i below count, spread over `threads` threads.
void forEachOnThreads(qsizetype count, int threads,
                      const std::function<void(qsizetype i, bool isCallingThread)> &work);

int coreCount();
