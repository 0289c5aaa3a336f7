#include "binding/type_key.h"

#include <atomic>
#include <cstdio>

namespace tav {

namespace {

std::atomic<uint32_t> next_type_key_number{1};

}  // namespace

TypeKey::TypeKey(uint32_t number) : number_(number) {
  std::snprintf(text_, sizeof(text_), "#%08X", static_cast<unsigned>(number));
}

TypeKey TypeKey::Allocate() {
  return TypeKey(next_type_key_number.fetch_add(1, std::memory_order_relaxed));
}

}  // namespace tav
