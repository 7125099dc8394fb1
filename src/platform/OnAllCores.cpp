#include "platform/OnAllCores.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

void onAllCores(const std::function<void(bool isCallingThread)> &body)
{
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::jthread> helpers;
    try {
        for (unsigned h = 1; h < cores; ++h)
            helpers.emplace_back(body, false);
    } catch (const std::system_error &) {
        // Out of threads: fewer hands do the same work.
    }
    body(true);
}

void forEachOnAllCores(qsizetype count, const std::function<void(qsizetype i, bool isCallingThread)> &work)
{
    if (count <= 0)
        return;
    std::atomic<qsizetype> next{0};
    const auto drain = [&](bool isCallingThread) {
        for (qsizetype i; (i = next.fetch_add(1, std::memory_order_relaxed)) < count;)
            work(i, isCallingThread);
    };
    if (count == 1)
        drain(true);
    else
        onAllCores(drain);
}
