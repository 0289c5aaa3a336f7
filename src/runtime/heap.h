// The plugin's counting heap.
//
// Every allocation the library makes (its operator new and delete, the texts
// and arrays it hands to the core, RapidJSON's buffers) goes through these
// functions, which keep six counters for the core's memory statistics.
// Sizes are the allocator's real block sizes (malloc_usable_size). The
// counters are updated with atomic 64-bit operations from any thread.
//
//   char* copy = HeapDuplicateText(name.data(), name.size());
//   ...hand `copy` to the core inside a CoreValue...
//   HeapFree(copy);
#ifndef TAV_RUNTIME_HEAP_H_
#define TAV_RUNTIME_HEAP_H_

#include <cstddef>
#include <cstdint>

namespace tav {

struct HeapCounters {
  uint64_t peak_bytes = 0;           // most bytes in use at any one time
  uint64_t allocations_at_peak = 0;  // live allocations when that peak was reached
  uint64_t total_bytes_allocated = 0;
  uint64_t allocation_count = 0;
  uint64_t total_bytes_freed = 0;
  uint64_t free_count = 0;
};

// malloc-compatible. A size of 0 still returns a distinct block. Null when
// the system is out of memory.
void* HeapAllocate(size_t size);

// realloc-compatible; counted as one free of the old block and one
// allocation of the new one. A null `block` allocates; on failure the old
// block is left as it was and null is returned.
void* HeapReallocate(void* block, size_t size);

// Frees a block from HeapAllocate, HeapReallocate, HeapAllocateAligned or
// HeapDuplicateText. Null is ignored.
void HeapFree(void* block);

// `alignment` must be a power of two. Freed with HeapFree.
void* HeapAllocateAligned(size_t size, size_t alignment);

// A NUL-terminated copy of the `length` bytes at `text` (which may hold NUL
// bytes of its own). Free it with HeapFree.
char* HeapDuplicateText(const char* text, size_t length);

// A consistent-enough snapshot: each counter is read atomically.
HeapCounters ReadHeapCounters();

}  // namespace tav

#endif  // TAV_RUNTIME_HEAP_H_
