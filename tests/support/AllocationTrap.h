#pragma once

#include <cstddef>

namespace vorn::test
{

/** Counts heap allocations and mutex locks made on this thread while it lives (the audio thread's view). */
class AllocationTrap
{
public:
    AllocationTrap();
    ~AllocationTrap();

    /** Allocations seen on this thread since construction. */
    size_t count() const;

    /** Mutex locks (pthread_mutex_lock, which std::mutex and the framework's CriticalSection use) seen on this
        thread since construction. Sanitizer builds intercept the lock themselves, so there this stays 0. */
    size_t locks() const;

    /** False in sanitizer builds, where locks are not counted. */
    static bool countsLocks();

    AllocationTrap(const AllocationTrap&) = delete;
    AllocationTrap& operator=(const AllocationTrap&) = delete;

private:
    size_t startCount;
    size_t startLocks;
};

} // namespace vorn::test
