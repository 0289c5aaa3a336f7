// Internals of native_conversion.h: the conversion rules of each supported
// native type, the field converter built on them, and the type-erased cores
// for registered structures and enumerations. Not for direct use.
#ifndef TAV_BINDING_NATIVE_CONVERSION_INTERNAL_H_
#define TAV_BINDING_NATIVE_CONVERSION_INTERNAL_H_

#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "binding/binding_field_converter.h"
#include "binding/binding_property.h"
#include "binding/binding_result.h"
#include "binding/binding_type_code.h"
#include "binding/binding_type_descriptor.h"
#include "binding/conversion_messages.h"
#include "binding/scalar_conversion.h"
#include "binding/type_key.h"

namespace tav {

class BindingTypeRegistry;

namespace native_conversion_internal {

// --- Type-erased cores (native_conversion.cpp) ---

// `object` is a native object of the type `type` describes.
void StructToBinding(BindingResult& result, BindingProperty& out, const void* object,
                     const BindingTypeDescriptor* type);
void StructFromBinding(BindingResult& result, void* object, const BindingProperty& input,
                       std::string_view name, const BindingTypeDescriptor* type,
                       const BindingTypeRegistry& registry);
// The number for an enumeration field, or 0 with `result` failed.
int32_t EnumNumberFromBinding(BindingResult& result, const BindingProperty& input,
                              std::string_view name, const BindingTypeDescriptor* type);

// --- Per-type rules ---
//
// Traits<T> for a supported T has:
//   kCode, kElementCode  its BindingTypeId codes;
//   kContainers          its BindingTypeId container levels;
//   Registered           the enumeration or structure type T is or holds, or void;
//   kOptional            T is a std::optional;
//   ToBinding(result, out, value, type)
//   FromBinding(result, field, input, name, type, registry)
// where `type` is the registered descriptor of Registered (may be null).
// FromBinding writes `field` only with a converted value.

template <class T, class Enable = void>
struct Traits {
  static constexpr bool kSupported = false;
};

template <class T>
struct IsStdVector : std::false_type {};
template <class E, class A>
struct IsStdVector<std::vector<E, A>> : std::true_type {};

template <class T>
struct IsStringMap : std::false_type {};
template <class V, class C, class A>
struct IsStringMap<std::map<std::string, V, C, A>> : std::true_type {};
template <class V, class H, class E, class A>
struct IsStringMap<std::unordered_map<std::string, V, H, E, A>> : std::true_type {};

template <class T>
struct IsUnorderedStringMap : std::false_type {};
template <class V, class H, class E, class A>
struct IsUnorderedStringMap<std::unordered_map<std::string, V, H, E, A>> : std::true_type {};

template <class T>
struct IsStdOptional : std::false_type {};
template <class V>
struct IsStdOptional<std::optional<V>> : std::true_type {};

// Class types with rules of their own; every other class is a registered
// structure.
template <class T>
inline constexpr bool kHasOwnRules =
    std::is_same_v<T, std::string> || std::is_same_v<T, BindingProperty> || IsStdVector<T>::value ||
    IsStringMap<T>::value || IsStdOptional<T>::value;

// The container levels of a vector or map (`outer`) of Element.
template <class Element>
constexpr uint64_t NestContainers(BindingContainer outer) {
  static_assert(Element::kContainers >> (64 - kBindingContainerBits) == 0,
                "vectors and maps nest at most 32 levels deep");
  return outer | Element::kContainers << kBindingContainerBits;
}

struct ScalarBase {
  static constexpr bool kSupported = true;
  static constexpr BindingTypeCode kElementCode = BindingTypeCode::kNone;
  static constexpr uint64_t kContainers = 0;
  static constexpr bool kOptional = false;
  using Registered = void;
};

template <>
struct Traits<bool> : ScalarBase {
  static constexpr BindingTypeCode kCode = BindingTypeCode::kBool;

  static void ToBinding(BindingResult&, BindingProperty& out, bool value,
                        const BindingTypeDescriptor*) {
    out.SetBool(value);
  }
  static void FromBinding(BindingResult& result, bool& field, const BindingProperty& input,
                          std::string_view name, const BindingTypeDescriptor*,
                          const BindingTypeRegistry&) {
    bool value = ConvertToBool(result, input, name);
    if (result.ok()) field = value;
  }
};

template <class T>
constexpr BindingTypeCode IntegerCode() {
  constexpr bool kSigned = std::is_signed_v<T>;
  if constexpr (sizeof(T) == 1) return kSigned ? BindingTypeCode::kInt8 : BindingTypeCode::kUint8;
  if constexpr (sizeof(T) == 2) return kSigned ? BindingTypeCode::kInt16 : BindingTypeCode::kUint16;
  if constexpr (sizeof(T) == 4) return kSigned ? BindingTypeCode::kInt32 : BindingTypeCode::kUint32;
  return kSigned ? BindingTypeCode::kInt64 : BindingTypeCode::kUint64;
}

template <class T>
struct Traits<T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>>> : ScalarBase {
  static_assert(sizeof(T) <= 8, "integers wider than 64 bits are not supported");
  static constexpr BindingTypeCode kCode = IntegerCode<T>();

  static void ToBinding(BindingResult&, BindingProperty& out, T value,
                        const BindingTypeDescriptor*) {
    if constexpr (std::is_signed_v<T>) {
      out.SetInt64(static_cast<int64_t>(value));
    } else {
      out.SetUint64(static_cast<uint64_t>(value));
    }
  }
  static void FromBinding(BindingResult& result, T& field, const BindingProperty& input,
                          std::string_view name, const BindingTypeDescriptor*,
                          const BindingTypeRegistry&) {
    const char* type_name = BindingTypeCodeNativeName(kCode);
    if constexpr (std::is_signed_v<T>) {
      int64_t value = ConvertToSigned(result, input, name, std::numeric_limits<T>::min(),
                                      std::numeric_limits<T>::max(), type_name);
      if (result.ok()) field = static_cast<T>(value);
    } else {
      uint64_t value =
          ConvertToUnsigned(result, input, name, std::numeric_limits<T>::max(), type_name);
      if (result.ok()) field = static_cast<T>(value);
    }
  }
};

template <class T>
struct Traits<T, std::enable_if_t<std::is_same_v<T, float> || std::is_same_v<T, double>>>
    : ScalarBase {
  static constexpr BindingTypeCode kCode =
      std::is_same_v<T, float> ? BindingTypeCode::kFloat : BindingTypeCode::kDouble;

  static void ToBinding(BindingResult&, BindingProperty& out, T value,
                        const BindingTypeDescriptor*) {
    out.SetDouble(static_cast<double>(value));
  }
  static void FromBinding(BindingResult& result, T& field, const BindingProperty& input,
                          std::string_view name, const BindingTypeDescriptor*,
                          const BindingTypeRegistry&) {
    double value = ConvertToFloat(result, input, name, std::numeric_limits<T>::lowest(),
                                  std::numeric_limits<T>::max(), BindingTypeCodeNativeName(kCode));
    if (result.ok()) field = static_cast<T>(value);
  }
};

template <>
struct Traits<std::string> : ScalarBase {
  static constexpr BindingTypeCode kCode = BindingTypeCode::kString;

  static void ToBinding(BindingResult&, BindingProperty& out, const std::string& value,
                        const BindingTypeDescriptor*) {
    out.SetString(value);
  }
  static void FromBinding(BindingResult& result, std::string& field, const BindingProperty& input,
                          std::string_view name, const BindingTypeDescriptor*,
                          const BindingTypeRegistry& registry) {
    if (input.kind() == BindingPropertyKind::kString && result.ok()) {
      field.assign(input.AsString());  // reuses the field's buffer
      return;
    }
    std::string value = ConvertToString(result, input, name, &registry);
    if (result.ok()) field = std::move(value);
  }
};

// A BindingProperty member ("object"): a deep copy either way.
template <>
struct Traits<BindingProperty> : ScalarBase {
  static constexpr BindingTypeCode kCode = BindingTypeCode::kObject;

  static void ToBinding(BindingResult&, BindingProperty& out, const BindingProperty& value,
                        const BindingTypeDescriptor*) {
    out.Assign(value);
  }
  static void FromBinding(BindingResult& result, BindingProperty& field,
                          const BindingProperty& input, std::string_view,
                          const BindingTypeDescriptor*, const BindingTypeRegistry&) {
    if (!result.ok() || &field == &input) return;
    field.Clear();
    field.Assign(input);
  }
};

template <class E>
struct Traits<E, std::enable_if_t<std::is_enum_v<E>>> {
  static_assert(sizeof(std::underlying_type_t<E>) <= sizeof(int32_t),
                "registered enumerations hold 32-bit numbers");
  static constexpr bool kSupported = true;
  static constexpr BindingTypeCode kCode = BindingTypeCode::kEnum;
  static constexpr BindingTypeCode kElementCode = BindingTypeCode::kNone;
  static constexpr uint64_t kContainers = 0;
  static constexpr bool kOptional = false;
  using Registered = E;

  // Writing needs only the enumeration's key, so it works even when the
  // enumeration was never registered.
  static void ToBinding(BindingResult&, BindingProperty& out, E value,
                        const BindingTypeDescriptor*) {
    out.SetEnum(static_cast<int32_t>(value), TypeKeyOf<E>().number());
  }
  static void FromBinding(BindingResult& result, E& field, const BindingProperty& input,
                          std::string_view name, const BindingTypeDescriptor* type,
                          const BindingTypeRegistry&) {
    int32_t number = EnumNumberFromBinding(result, input, name, type);
    if (result.ok()) field = static_cast<E>(number);
  }
};

template <class S>
struct Traits<S, std::enable_if_t<std::is_class_v<S> && !kHasOwnRules<S>>> {
  static constexpr bool kSupported = true;
  static constexpr BindingTypeCode kCode = BindingTypeCode::kStruct;
  static constexpr BindingTypeCode kElementCode = BindingTypeCode::kNone;
  static constexpr uint64_t kContainers = 0;
  static constexpr bool kOptional = false;
  using Registered = S;

  static void ToBinding(BindingResult& result, BindingProperty& out, const S& value,
                        const BindingTypeDescriptor* type) {
    StructToBinding(result, out, &value, type);
  }
  static void FromBinding(BindingResult& result, S& field, const BindingProperty& input,
                          std::string_view name, const BindingTypeDescriptor* type,
                          const BindingTypeRegistry& registry) {
    StructFromBinding(result, &field, input, name, type, registry);
  }
};

template <class E, class A>
struct Traits<std::vector<E, A>> {
  using Element = Traits<E>;
  static_assert(Element::kSupported, "unsupported vector element type");
  static constexpr bool kSupported = true;
  static constexpr BindingTypeCode kCode = BindingTypeCode::kVector;
  static constexpr BindingTypeCode kElementCode = Element::kCode;
  static constexpr uint64_t kContainers = NestContainers<Element>(kBindingContainerVector);
  static constexpr bool kOptional = false;
  using Registered = typename Element::Registered;

  static void ToBinding(BindingResult& result, BindingProperty& out, const std::vector<E, A>& value,
                        const BindingTypeDescriptor* type) {
    out.Clear();
    out.MakeCollection();
    out.Reserve(value.size());
    for (const auto& element : value) {
      // Append's reference holds until the next Append; the element is
      // complete by then.
      Element::ToBinding(result, out.Append(), element, type);
      if (!result.ok()) return;
    }
  }
  static void FromBinding(BindingResult& result, std::vector<E, A>& field,
                          const BindingProperty& input, std::string_view name,
                          const BindingTypeDescriptor* type, const BindingTypeRegistry& registry) {
    if (!result.ok()) return;
    if (input.kind() != BindingPropertyKind::kCollection) {
      FailNotACollection(result, name);
      return;
    }
    // Every element starts default-valued, so an empty input element leaves
    // a default element rather than whatever the vector held before.
    field.clear();
    field.resize(input.size());
    size_t index = 0;
    for (const BindingProperty& element : input.Elements()) {
      if (!element.isEmpty()) {
        if constexpr (std::is_same_v<E, bool>) {
          bool value = false;  // vector<bool> has no bool& to hand out
          Element::FromBinding(result, value, element, name, type, registry);
          field[index] = value;
        } else {
          Element::FromBinding(result, field[index], element, name, type, registry);
        }
        if (!result.ok()) return;
      }
      ++index;
    }
  }
};

template <class M>
struct MapTraits {
  using Value = typename M::mapped_type;
  using Element = Traits<Value>;
  static_assert(Element::kSupported, "unsupported map value type");
  static constexpr bool kSupported = true;
  static constexpr BindingTypeCode kCode = BindingTypeCode::kMap;
  static constexpr BindingTypeCode kElementCode = Element::kCode;
  static constexpr uint64_t kContainers = NestContainers<Element>(kBindingContainerMap);
  static constexpr bool kOptional = false;
  using Registered = typename Element::Registered;

  static void ToBinding(BindingResult& result, BindingProperty& out, const M& value,
                        const BindingTypeDescriptor* type) {
    out.Clear();
    out.MakeStructure();
    for (const auto& [key, element] : value) {
      Element::ToBinding(result, out.MutableField(key), element, type);
      if (!result.ok()) return;
    }
  }
  static void FromBinding(BindingResult& result, M& field, const BindingProperty& input,
                          std::string_view name, const BindingTypeDescriptor* type,
                          const BindingTypeRegistry& registry) {
    if (!result.ok()) return;
    if (input.kind() != BindingPropertyKind::kStructure) {
      FailMapNotAStructure(result, name);
      return;
    }
    field.clear();
    if constexpr (IsUnorderedStringMap<M>::value) field.reserve(input.size());
    for (const BindingStructEntry& entry : input.Fields()) {
      if (entry.value.isEmpty()) continue;
      auto slot = field.try_emplace(std::string(entry.key())).first;
      Element::FromBinding(result, slot->second, entry.value, name, type, registry);
      if (!result.ok()) return;
    }
  }
};

template <class V, class C, class A>
struct Traits<std::map<std::string, V, C, A>> : MapTraits<std::map<std::string, V, C, A>> {};
template <class V, class H, class E, class A>
struct Traits<std::unordered_map<std::string, V, H, E, A>>
    : MapTraits<std::unordered_map<std::string, V, H, E, A>> {};

template <class V>
struct Traits<std::optional<V>> {
  using Inner = Traits<V>;
  static_assert(Inner::kSupported, "unsupported optional value type");
  static constexpr bool kSupported = true;
  static constexpr BindingTypeCode kCode = Inner::kCode;
  static constexpr BindingTypeCode kElementCode = Inner::kElementCode;
  static constexpr uint64_t kContainers = Inner::kContainers;
  static constexpr bool kOptional = true;
  using Registered = typename Inner::Registered;

  // An absent value writes nothing: `out` stays empty.
  static void ToBinding(BindingResult& result, BindingProperty& out, const std::optional<V>& value,
                        const BindingTypeDescriptor* type) {
    if (!value.has_value()) {
      out.Clear();
      return;
    }
    Inner::ToBinding(result, out, *value, type);
  }
  // An empty input leaves the optional as it was; otherwise a fresh value is
  // converted and stored only when the conversion succeeds.
  static void FromBinding(BindingResult& result, std::optional<V>& field,
                          const BindingProperty& input, std::string_view name,
                          const BindingTypeDescriptor* type, const BindingTypeRegistry& registry) {
    if (!result.ok() || input.isEmpty()) return;
    V value{};
    Inner::FromBinding(result, value, input, name, type, registry);
    if (result.ok()) field = std::move(value);
  }
};

template <class T>
inline constexpr bool kSupported = Traits<T>::kSupported;

// The converter every registered field of native type M owns.
template <class M>
class NativeFieldConverter final : public BindingFieldConverter {
 public:
  void FromBinding(BindingResult& result, void* field, const BindingProperty& input,
                   std::string_view field_name, const BindingTypeDescriptor* type,
                   const BindingTypeRegistry& registry) const override {
    Traits<M>::FromBinding(result, *static_cast<M*>(field), input, field_name, type, registry);
  }
  void ToBinding(BindingResult& result, BindingProperty& out, const void* field,
                 const BindingTypeDescriptor* type) const override {
    Traits<M>::ToBinding(result, out, *static_cast<const M*>(field), type);
  }
};

}  // namespace native_conversion_internal
}  // namespace tav

#endif  // TAV_BINDING_NATIVE_CONVERSION_INTERNAL_H_
