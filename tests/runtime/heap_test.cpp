#include "runtime/heap.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <array>
#include <new>

namespace tav {
namespace {

// Bytes allocated, allocations, bytes freed and frees since `start` (an
// array: a vector would be counted itself).
using Counts = std::array<int64_t, 4>;

Counts Since(const HeapCounters& start) {
  const HeapCounters now = ReadHeapCounters();
  return {static_cast<int64_t>(now.total_bytes_allocated - start.total_bytes_allocated),
          static_cast<int64_t>(now.allocation_count - start.allocation_count),
          static_cast<int64_t>(now.total_bytes_freed - start.total_bytes_freed),
          static_cast<int64_t>(now.free_count - start.free_count)};
}

TEST(Heap, CountsTheRealBlockSizes) {
  const HeapCounters start = ReadHeapCounters();
  void* block = HeapAllocate(13);
  const int64_t usable = static_cast<int64_t>(malloc_usable_size(block));
  ASSERT_GE(usable, 13);
  EXPECT_EQ(Since(start), (Counts{usable, 1, 0, 0}));
  HeapFree(block);
  EXPECT_EQ(Since(start), (Counts{usable, 1, usable, 1}));
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
  const HeapCounters start = ReadHeapCounters();
  auto* single = new int(7);
  auto* array = new char[100];
  auto* wide = new WideRecord;
  auto* quiet = new (std::nothrow) double[3];
  auto* wide_array = new WideRecord[2];
  for (void* p : {static_cast<void*>(single), static_cast<void*>(array), static_cast<void*>(wide),
                  static_cast<void*>(quiet), static_cast<void*>(wide_array)}) {
    Keep(p);
  }
  const Counts allocated = Since(start);
  EXPECT_EQ(allocated[1], 5);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(wide) % 128, 0u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(wide_array) % 128, 0u);
  delete single;
  delete[] array;
  delete wide;
  delete[] quiet;
  delete[] wide_array;
  EXPECT_EQ(Since(start), (Counts{allocated[0], 5, allocated[0], 5}));
}

TEST(Heap, ThrowingNewReportsExhaustion) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer keeps its own operator new";
#endif
  // Past PTRDIFF_MAX, at either width: no allocator hands that out.
  volatile size_t huge = SIZE_MAX / 2 + 1;
  EXPECT_THROW(::operator delete(::operator new(huge)), std::bad_alloc);
  EXPECT_EQ(::operator new(huge, std::nothrow), nullptr);
}

}  // namespace
}  // namespace tav
