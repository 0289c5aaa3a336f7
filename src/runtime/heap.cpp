#include "runtime/heap.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace tav {
namespace {

struct Counters {
  std::atomic<uint64_t> peak_bytes{0};
  std::atomic<uint64_t> allocations_at_peak{0};
  std::atomic<uint64_t> total_bytes_allocated{0};
  std::atomic<uint64_t> allocation_count{0};
  std::atomic<uint64_t> total_bytes_freed{0};
  std::atomic<uint64_t> free_count{0};
  // Bytes and blocks in use right now. Signed: blocks allocated by another
  // module's heap may be freed here, which must not wrap the counts.
  std::atomic<int64_t> bytes_in_use{0};
  std::atomic<int64_t> live_allocations{0};
};

// Constant-initialised, so it is usable from the first operator new of the
// process, before any dynamic initialiser has run.
Counters g_counters;

void RaisePeak(int64_t in_use, int64_t live) {
  if (in_use <= 0) return;
  uint64_t candidate = static_cast<uint64_t>(in_use);
  uint64_t peak = g_counters.peak_bytes.load(std::memory_order_relaxed);
  while (candidate > peak) {
    if (g_counters.peak_bytes.compare_exchange_weak(peak, candidate, std::memory_order_relaxed)) {
      g_counters.allocations_at_peak.store(live > 0 ? static_cast<uint64_t>(live) : 0,
                                           std::memory_order_relaxed);
      return;
    }
  }
}

void CountAllocation(void* block) {
  const uint64_t size = malloc_usable_size(block);
  g_counters.total_bytes_allocated.fetch_add(size, std::memory_order_relaxed);
  g_counters.allocation_count.fetch_add(1, std::memory_order_relaxed);
  const int64_t live = g_counters.live_allocations.fetch_add(1, std::memory_order_relaxed) + 1;
  const int64_t in_use =
      g_counters.bytes_in_use.fetch_add(static_cast<int64_t>(size), std::memory_order_relaxed) +
      static_cast<int64_t>(size);
  RaisePeak(in_use, live);
}

void CountFree(void* block) {
  const uint64_t size = malloc_usable_size(block);
  g_counters.total_bytes_freed.fetch_add(size, std::memory_order_relaxed);
  g_counters.free_count.fetch_add(1, std::memory_order_relaxed);
  g_counters.live_allocations.fetch_sub(1, std::memory_order_relaxed);
  g_counters.bytes_in_use.fetch_sub(static_cast<int64_t>(size), std::memory_order_relaxed);
}

}  // namespace

void* HeapAllocate(size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block != nullptr) CountAllocation(block);
  return block;
}

void* HeapReallocate(void* block, size_t size) {
  if (block == nullptr) return HeapAllocate(size);
  // The old block's size must be read before realloc may release it.
  const uint64_t old_size = malloc_usable_size(block);
  void* moved = std::realloc(block, size == 0 ? 1 : size);
  if (moved == nullptr) return nullptr;
  g_counters.total_bytes_freed.fetch_add(old_size, std::memory_order_relaxed);
  g_counters.free_count.fetch_add(1, std::memory_order_relaxed);
  g_counters.live_allocations.fetch_sub(1, std::memory_order_relaxed);
  g_counters.bytes_in_use.fetch_sub(static_cast<int64_t>(old_size), std::memory_order_relaxed);
  CountAllocation(moved);
  return moved;
}

void HeapFree(void* block) {
  if (block == nullptr) return;
  CountFree(block);
  std::free(block);
}

void* HeapAllocateAligned(size_t size, size_t alignment) {
  if (alignment < sizeof(void*)) alignment = sizeof(void*);
  void* block = nullptr;
  if (posix_memalign(&block, alignment, size == 0 ? 1 : size) != 0) return nullptr;
  CountAllocation(block);
  return block;
}

char* HeapDuplicateText(const char* text, size_t length) {
  char* copy = static_cast<char*>(HeapAllocate(length + 1));
  if (copy == nullptr) return nullptr;
  if (length != 0) std::memcpy(copy, text, length);
  copy[length] = '\0';
  return copy;
}

HeapCounters ReadHeapCounters() {
  HeapCounters counters;
  counters.peak_bytes = g_counters.peak_bytes.load(std::memory_order_relaxed);
  counters.allocations_at_peak = g_counters.allocations_at_peak.load(std::memory_order_relaxed);
  counters.total_bytes_allocated = g_counters.total_bytes_allocated.load(std::memory_order_relaxed);
  counters.allocation_count = g_counters.allocation_count.load(std::memory_order_relaxed);
  counters.total_bytes_freed = g_counters.total_bytes_freed.load(std::memory_order_relaxed);
  counters.free_count = g_counters.free_count.load(std::memory_order_relaxed);
  return counters;
}

}  // namespace tav
