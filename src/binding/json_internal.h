// Pieces the JSON reader and writer share: RapidJSON's buffers on the
// counting heap. Not part of the public interface.
#ifndef TAV_BINDING_JSON_INTERNAL_H_
#define TAV_BINDING_JSON_INTERNAL_H_

#include <cstddef>
#include <string_view>

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

// RapidJSON's SSE2 scans for characters that need escaping in strings test
// "below 0x1A" where they mean "below 0x20": in the blocks they scan, bytes
// 0x1A to 0x1F pass as ordinary characters. The writer would then emit them
// raw (invalid JSON) and the reader would accept them raw (not strict JSON).
// Texts holding such a byte take RapidJSON's plain byte-by-byte path.
inline bool HasVectorScanBlindSpot(std::string_view text) {
  bool found = false;  // no early exit, so the loop vectorises
  for (char c : text) found |= static_cast<unsigned char>(static_cast<unsigned char>(c) - 0x1A) < 6;
  return found;
}

}  // namespace tav::json_internal

#endif  // TAV_BINDING_JSON_INTERNAL_H_
