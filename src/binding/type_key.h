// TypeKey: the process-wide identity of a native type. Each native type gets
// one key on first use: a 32-bit number, distinct for distinct types and
// fixed for the life of the process, and its text "#%08X". Enumeration
// cells of a BindingProperty carry the number of their enumeration's key,
// and the type registry finds types by it.
//
//   const TypeKey& key = TypeKeyOf<PerkPageResource>();
//   key.number();  // e.g. 7
//   key.text();    // "#00000007"
#ifndef TAV_BINDING_TYPE_KEY_H_
#define TAV_BINDING_TYPE_KEY_H_

#include <cstdint>
#include <type_traits>

namespace tav {

class TypeKey {
 public:
  TypeKey(const TypeKey&) = delete;
  TypeKey& operator=(const TypeKey&) = delete;

  uint32_t number() const { return number_; }
  // NUL-terminated; lives as long as the key.
  const char* text() const { return text_; }

  // A key with the next unused number (never 0). Thread-safe. TypeKeyOf
  // calls it once per type; other callers get a key that belongs to no type.
  static TypeKey Allocate();

 private:
  explicit TypeKey(uint32_t number);

  uint32_t number_;
  char text_[10];
};

namespace type_key_internal {

template <class T>
const TypeKey& KeyOf() {
  static const TypeKey key = TypeKey::Allocate();
  return key;
}

}  // namespace type_key_internal

// The key of T; const, volatile and references do not make another type.
template <class T>
const TypeKey& TypeKeyOf() {
  return type_key_internal::KeyOf<std::remove_cv_t<std::remove_reference_t<T>>>();
}

}  // namespace tav

#endif  // TAV_BINDING_TYPE_KEY_H_
