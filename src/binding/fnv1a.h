// 32-bit FNV-1a (offset basis 0x811C9DC5, prime 16777619): the hash of the
// intern tables and of every text-keyed hash map of the plugin.
//
//   std::unordered_map<std::string, int, Fnv1aHash> counts;
#ifndef TAV_BINDING_FNV1A_H_
#define TAV_BINDING_FNV1A_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tav {

inline uint32_t Fnv1a32(std::string_view bytes) {
  uint32_t hash = 0x811C9DC5u;
  for (unsigned char c : bytes) {
    hash ^= c;
    hash *= 16777619u;
  }
  return hash;
}

// Hash functor for text-keyed unordered maps; transparent, so a map keyed
// by std::string can be searched with a string_view where the standard
// library allows it.
struct Fnv1aHash {
  using is_transparent = void;
  size_t operator()(std::string_view text) const { return Fnv1a32(text); }
  size_t operator()(const std::string& text) const { return Fnv1a32(text); }
  size_t operator()(const char* text) const { return Fnv1a32(text); }
};

}  // namespace tav

#endif  // TAV_BINDING_FNV1A_H_
