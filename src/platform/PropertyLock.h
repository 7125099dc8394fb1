#pragma once

#include <array>
#include <cstdint>
#include <mutex>

// Makes single reads and writes of an object's non-scalar properties indivisible without a mutex per
// object: a scan holds millions of nodes, so objects share a small pool of locks picked by address.
// Hold a lock only for one copy in or out; never call out while holding it.
class PropertyLock
{
public:
    static std::mutex &forObject(const void *object)
    {
        static std::array<std::mutex, 64> pool;
        const auto address = reinterpret_cast<std::uintptr_t>(object);
        return pool[(address >> 4) % pool.size()];
    }
};

// Reads or replaces one property under its object's lock.
template <typename T> T lockedRead(const void *object, const T &field)
{
    std::lock_guard lock(PropertyLock::forObject(object));
    return field;
}

// The old value is released after the lock is let go: releasing the last reference to an object
// may release others, whose own properties may share this lock.
template <typename T> void lockedWrite(const void *object, T &field, T value)
{
    {
        std::lock_guard lock(PropertyLock::forObject(object));
        std::swap(field, value);
    }
}
