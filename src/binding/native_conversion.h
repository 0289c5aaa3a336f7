// Conversions between native values and BindingProperty trees, for every
// native type the binding layer supports:
//
//   bool; int8..int64 and uint8..uint64 (any integer type, by size and
//   sign); float, double; std::string; tav::BindingProperty ("object", deep
//   copied); registered enumerations (32-bit) and registered structures;
//   std::vector<T>; std::map<std::string, T> and
//   std::unordered_map<std::string, T>; std::optional<T>; for any
//   supported T, nested to any depth.
//
// Registered types are found in the registry once per call, never per field
// or element. Every conversion does nothing when `result` has already
// failed, so the first error stands; a failed conversion may leave the
// native value partly written.
//
//   BindingResult result;
//   ToBinding(result, page, registry);                      // result.value() is the tree
//   FromBinding(result, page, tree, "page", registry);      // or result.error()
//   BindingTypeId id = BindingTypeIdOf<std::vector<PerkPageResource>>(registry);
#ifndef TAV_BINDING_NATIVE_CONVERSION_H_
#define TAV_BINDING_NATIVE_CONVERSION_H_

#include <string_view>
#include <type_traits>

#include "binding/binding_property.h"
#include "binding/binding_result.h"
#include "binding/binding_type_id.h"
#include "binding/binding_type_registry.h"
#include "binding/native_conversion_internal.h"
#include "binding/type_key.h"

namespace tav {

// True for the native types listed above.
template <class T>
inline constexpr bool kIsBindingSupported = native_conversion_internal::kSupported<T>;

// True when T is a std::optional (the optional-value flag of fields and
// arguments).
template <class T>
inline constexpr bool kIsBindingOptional = native_conversion_internal::Traits<T>::kOptional;

// The registered enumeration or structure that T is or holds (the element
// of a vector, the value of a map or optional), or null when T holds none or
// it is not registered.
template <class T>
const BindingTypeDescriptor* RegisteredTypeOf(const BindingTypeRegistry& registry) {
  using Registered = typename native_conversion_internal::Traits<T>::Registered;
  if constexpr (std::is_void_v<Registered>) {
    return nullptr;
  } else {
    return registry.FindType(TypeKeyOf<Registered>());
  }
}

// The BindingTypeId of T, e.g. {kVector, kStruct, page} for a vector of a
// registered structure. An optional is described by its value type.
template <class T>
BindingTypeId BindingTypeIdOf(const BindingTypeRegistry& registry) {
  static_assert(kIsBindingSupported<T>, "unsupported native type");
  using Rules = native_conversion_internal::Traits<T>;
  return BindingTypeId{Rules::kCode, Rules::kElementCode, RegisteredTypeOf<T>(registry),
                       Rules::kContainers};
}

// Replaces result.value() by the tree of `value`. Fails only for an
// unregistered structure ("Couldn't convert native value because it's an
// unregistered structure.").
template <class T>
void ToBinding(BindingResult& result, const T& value, const BindingTypeRegistry& registry) {
  static_assert(kIsBindingSupported<T>, "unsupported native type");
  if (!result.ok()) return;
  result.value().Clear();
  native_conversion_internal::Traits<T>::ToBinding(result, result.value(), value,
                                                   RegisteredTypeOf<T>(registry));
}

// Writes `value` from `input`, or fails `result` with a message naming
// `name` (the name of the thing converted, e.g. a parameter). An empty input
// fails with "A value for '%1' is required." for scalars, enumerations and
// structures; it leaves an optional unchanged and empties an "object".
// `input` must not be part of result.value().
template <class T>
void FromBinding(BindingResult& result, T& value, const BindingProperty& input,
                 std::string_view name, const BindingTypeRegistry& registry) {
  static_assert(kIsBindingSupported<T>, "unsupported native type");
  if (!result.ok()) return;
  native_conversion_internal::Traits<T>::FromBinding(result, value, input, name,
                                                     RegisteredTypeOf<T>(registry), registry);
}

}  // namespace tav

#endif  // TAV_BINDING_NATIVE_CONVERSION_H_
