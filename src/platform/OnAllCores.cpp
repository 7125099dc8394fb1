#include "platform/OnAllCores.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

int coreCount()
{
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

void onThreads(int threads, const std::function<void(bool isCallingThread)> &body)
{
    std::vector<std::jthread> helpers;
    try {
        for (int h = 1; h < threads; ++h)
            helpers.emplace_back(body, false);
    } catch (const std::system_error &) {
        // Out of threads: fewer hands do the same work.
    }
    body(true);
}

void onAllCores(const std::function<void(bool isCallingThread)> &body)
{
    onThreads(coreCount(), body);
}

void forEachOnThreads(qsizetype count, int threads,
                      const std::function<void(qsizetype i, bool isCallingThread)> &work)
{
    if (count <= 0)
        return;
    std::atomic<qsizetype> next{0};
    const auto drain = [&](bool isCallingThread) {
        for (qsizetype i; (i = next.fetch_add(1, std::memory_order_relaxed)) < count;)
            work(i, isCallingThread);
    };
    onThreads(int(std::min<qsizetype>(count, threads)), drain);
}
