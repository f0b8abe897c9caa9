// Heap allocation of the probe's records, with a seam that lets tests make a
// chosen allocation fail.
#pragma once

#include <cstddef>

namespace metascope {

enum class AllocationSite { Context, Instance };

// Zero-filled block from the general heap, or null when it cannot be had.
void* AllocateZeroed(std::size_t size, AllocationSite site) noexcept;
void FreeAllocation(void* block) noexcept;

// For tests: while set, an allocation at a site for which the hook answers
// true fails. Null removes the hook.
using AllocationFailureHook = bool (*)(AllocationSite site);
void SetAllocationFailureHookForTesting(AllocationFailureHook hook) noexcept;

}  // namespace metascope
