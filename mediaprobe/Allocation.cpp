#include "Allocation.h"

#include <atomic>
#include <cstdlib>

namespace metascope {
namespace {
std::atomic<AllocationFailureHook> g_failureHook{nullptr};
}  // namespace

void* AllocateZeroed(std::size_t size, AllocationSite site) noexcept {
  const AllocationFailureHook hook = g_failureHook.load(std::memory_order_acquire);
  if (hook != nullptr && hook(site)) return nullptr;
  return std::calloc(1, size);
}

void FreeAllocation(void* block) noexcept { std::free(block); }

void SetAllocationFailureHookForTesting(AllocationFailureHook hook) noexcept {
  g_failureHook.store(hook, std::memory_order_release);
}

}  // namespace metascope
