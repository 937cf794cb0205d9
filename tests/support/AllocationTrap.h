#pragma once

#include <cstddef>

namespace vorn::test
{

/** Counts heap allocations made on this thread while it lives (the audio thread's view). */
class AllocationTrap
{
public:
    AllocationTrap();
    ~AllocationTrap();

    /** Allocations seen on this thread since construction. */
    size_t count() const;

    AllocationTrap(const AllocationTrap&) = delete;
    AllocationTrap& operator=(const AllocationTrap&) = delete;

private:
    size_t startCount;
};

} // namespace vorn::test
