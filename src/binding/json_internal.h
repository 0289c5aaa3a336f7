// Pieces the JSON reader and writer share: RapidJSON's buffers on the
// counting heap. Not part of the public interface.
#ifndef TAV_BINDING_JSON_INTERNAL_H_
#define TAV_BINDING_JSON_INTERNAL_H_

#include <cstddef>

#include "runtime/heap.h"

namespace tav::json_internal {

// A RapidJSON allocator (the Allocator concept of its stacks and buffers)
// that counts its traffic like every other allocation of the library.
class HeapJsonAllocator {
 public:
  static const bool kNeedFree = true;

  void* Malloc(size_t size) { return size == 0 ? nullptr : HeapAllocate(size); }
  void* Realloc(void* block, size_t /*old_size*/, size_t new_size) {
    if (new_size == 0) {
      HeapFree(block);
      return nullptr;
    }
    return HeapReallocate(block, new_size);
  }
  static void Free(void* block) { HeapFree(block); }
};

}  // namespace tav::json_internal

#endif  // TAV_BINDING_JSON_INTERNAL_H_
