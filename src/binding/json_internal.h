// Pieces the JSON reader and writer share: RapidJSON's buffers on the
// counting heap, the blind spot of its vector scans, the careful reading
// path. Not part of the public interface.
#ifndef TAV_BINDING_JSON_INTERNAL_H_
#define TAV_BINDING_JSON_INTERNAL_H_

#include <cstddef>
#include <string_view>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "binding/binding_result.h"
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
  const char* p = text.data();
  const char* const end = p + text.size();
#ifdef __SSE2__
  // 16 bytes at a time: a byte is in [0x1A, 0x1F] when clamping it to that
  // range leaves it unchanged.
  const __m128i low = _mm_set1_epi8(0x1A);
  const __m128i high = _mm_set1_epi8(0x1F);
  __m128i hits = _mm_setzero_si128();
  for (; end - p >= 16; p += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i clamped = _mm_min_epu8(_mm_max_epu8(bytes, low), high);
    hits = _mm_or_si128(hits, _mm_cmpeq_epi8(clamped, bytes));
  }
  if (_mm_movemask_epi8(hits) != 0) return true;
#endif
  for (; p != end; ++p) {
    if (static_cast<unsigned char>(static_cast<unsigned char>(*p) - 0x1A) < 6) return true;
  }
  return false;
}

// ParseJson without its quick pass: RapidJSON's reader builds the tree in
// place. The quick pass hands it every text it does not vouch for.
BindingResult ParseJsonWithRapidJson(std::string_view text);

}  // namespace tav::json_internal

#endif  // TAV_BINDING_JSON_INTERNAL_H_
