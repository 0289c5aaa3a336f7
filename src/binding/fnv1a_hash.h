// The 32-bit FNV-1a hash: offset basis 0x811C9DC5, prime 16777619. Field
// names keep it beside them and the registry's TypeKey map hashes the four
// bytes of a key number with it.
//
//   uint32_t h = Fnv1aHash("selectedPerkIds");
//   uint32_t k = Fnv1aHash(&number, sizeof(number));
#ifndef TAV_BINDING_FNV1A_HASH_H_
#define TAV_BINDING_FNV1A_HASH_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tav {

inline constexpr uint32_t kFnv1aOffsetBasis = 0x811C9DC5u;
inline constexpr uint32_t kFnv1aPrime = 16777619u;

inline uint32_t Fnv1aHash(const void* data, size_t size) {
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  uint32_t hash = kFnv1aOffsetBasis;
  for (size_t i = 0; i < size; ++i) {
    hash ^= bytes[i];
    hash *= kFnv1aPrime;
  }
  return hash;
}

inline uint32_t Fnv1aHash(std::string_view text) { return Fnv1aHash(text.data(), text.size()); }

}  // namespace tav

#endif  // TAV_BINDING_FNV1A_HASH_H_
