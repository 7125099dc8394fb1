#pragma once

#include <QtGlobal>

#include <atomic>

// Counts the bytes that fingerprinting has read in this process, for progress displays.
namespace ReadMeter {

inline std::atomic<qint64> &counter()
{
    static std::atomic<qint64> bytes{0};
    return bytes;
}

inline void add(qint64 bytes)
{
    counter().fetch_add(bytes, std::memory_order_relaxed);
}

inline qint64 total()
{
    return counter().load(std::memory_order_relaxed);
}

} // namespace ReadMeter
