#include "runtime/heap.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <thread>
#include <vector>

namespace tav {
namespace {

// Counter changes between two snapshots.
struct Delta {
  int64_t allocated_bytes;
  int64_t allocations;
  int64_t freed_bytes;
  int64_t frees;
};

Delta Between(const HeapCounters& a, const HeapCounters& b) {
  return {static_cast<int64_t>(b.total_bytes_allocated - a.total_bytes_allocated),
          static_cast<int64_t>(b.allocation_count - a.allocation_count),
          static_cast<int64_t>(b.total_bytes_freed - a.total_bytes_freed),
          static_cast<int64_t>(b.free_count - a.free_count)};
}

TEST(Heap, CountsTheRealBlockSizes) {
  const HeapCounters start = ReadHeapCounters();
  void* block = HeapAllocate(13);
  const HeapCounters after_allocate = ReadHeapCounters();
  const int64_t usable = static_cast<int64_t>(malloc_usable_size(block));
  ASSERT_GE(usable, 13);
  HeapFree(block);
  const HeapCounters after_free = ReadHeapCounters();

  const Delta allocated = Between(start, after_allocate);
  EXPECT_EQ(allocated.allocated_bytes, usable);
  EXPECT_EQ(allocated.allocations, 1);
  EXPECT_EQ(allocated.frees, 0);
  const Delta freed = Between(after_allocate, after_free);
  EXPECT_EQ(freed.freed_bytes, usable);
  EXPECT_EQ(freed.frees, 1);
  EXPECT_EQ(freed.allocations, 0);
}

// Keeps the compiler from eliding a new/delete pair.
void Keep(void* p) { asm volatile("" : : "g"(p) : "memory"); }

struct alignas(128) WideRecord {
  char bytes[300];
};

TEST(Heap, OperatorNewAndDeleteGoThroughTheCounters) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer keeps its own operator new";
#endif
  const HeapCounters before = ReadHeapCounters();
  auto* single = new int(7);
  auto* array = new char[100];
  auto* wide = new WideRecord;
  auto* quiet = new (std::nothrow) double[3];
  auto* wide_array = new WideRecord[2];
  for (void* p : {static_cast<void*>(single), static_cast<void*>(array), static_cast<void*>(wide),
                  static_cast<void*>(quiet), static_cast<void*>(wide_array)}) {
    Keep(p);
  }
  const HeapCounters during = ReadHeapCounters();
  EXPECT_EQ(reinterpret_cast<uintptr_t>(wide) % 128, 0u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(wide_array) % 128, 0u);
  delete single;
  delete[] array;
  delete wide;
  delete[] quiet;
  delete[] wide_array;
  const HeapCounters after = ReadHeapCounters();

  EXPECT_EQ(Between(before, during).allocations, 5);
  const Delta released = Between(during, after);
  EXPECT_EQ(released.frees, 5);
  EXPECT_EQ(released.freed_bytes, Between(before, during).allocated_bytes);
}

TEST(Heap, ThrowingNewReportsExhaustion) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer keeps its own operator new";
#endif
  bool thrown = false;
  try {
    // More than any allocator will hand out.
    volatile size_t huge = size_t{1} << 62;
    void* p = ::operator new(huge);
    ::operator delete(p);
  } catch (const std::bad_alloc&) {
    thrown = true;
  }
  EXPECT_TRUE(thrown);
  volatile size_t huge = size_t{1} << 62;
  EXPECT_EQ(::operator new(huge, std::nothrow), nullptr);
}

}  // namespace
}  // namespace tav
