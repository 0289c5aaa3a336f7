// Registration of native structures and enumerations. The compiler deduces
// each field's offset, native type, type code and converter from the member
// pointer, so a registration lists only wire names and members:
//
//   RegisterStruct<PerkBook>(registry, "TavPerksPerkBook")
//       .Field("currentPageId", &PerkBook::currentPageId)
//       .Field("pages", &PerkBook::pages)
//       .Commit();
//   RegisterEnum<LoginSessionState>(registry, "TavPerksLoginSessionState")
//       .Value("IN_PROGRESS", LoginSessionState::IN_PROGRESS)
//       .Value("ERROR", LoginSessionState::ERROR)
//       .Commit();
//
// Register a type after every enumeration and structure its fields use:
// a field finds its registered type when it is added, and a field whose type
// is not registered yet fails every conversion
// (BindingTypeRegistry::FindUnresolvedFields lists them). A name registered
// twice keeps its first registration; the second one changes nothing.
//
// Fields are written out in the order they are registered. Field types are
// those native_conversion.h lists; anything else does not compile. Offsets
// come from a value-initialised instance of the structure, which must
// therefore be default-constructible and must not have virtual bases.
#ifndef TAV_BINDING_TYPE_REGISTRATION_H_
#define TAV_BINDING_TYPE_REGISTRATION_H_

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "binding/binding_type_builder.h"
#include "binding/binding_type_descriptor.h"
#include "binding/binding_type_registry.h"
#include "binding/native_conversion.h"
#include "binding/type_key.h"

namespace tav {

template <class T>
class [[nodiscard]] StructRegistration {
 public:
  static_assert(std::is_class_v<T>, "RegisterStruct takes a class type");
  static_assert(std::is_default_constructible_v<T>,
                "registered structures are default-constructible");

  StructRegistration(BindingTypeRegistry& registry, std::string_view name)
      : registry_(registry),
        builder_(registry.BeginType(static_cast<uint32_t>(sizeof(T)), name, TypeKeyOf<T>(),
                                    /*is_enum=*/false)) {}
  StructRegistration(const StructRegistration&) = delete;
  StructRegistration& operator=(const StructRegistration&) = delete;

  // Adds the field `name` stored in `member`. `flags` are
  // kBindingFieldOmitIfEmpty and kBindingFieldRequired; `declared`, when its
  // code is not kNone, is the type help shows for the field.
  template <class M, class C>
  StructRegistration& Field(std::string_view name, M C::*member, std::string_view description = {},
                            uint32_t flags = 0, const BindingTypeId& declared = {}) {
    static_assert(std::is_base_of_v<C, T>, "the member must belong to the registered structure");
    static_assert(!std::is_function_v<M>, "register data members, not member functions");
    static_assert(!std::is_const_v<M>, "a const member cannot be converted into");
    static_assert(kIsBindingSupported<M>, "unsupported field type");
    if (!builder_.accepts_changes()) return *this;
    BindingFieldDescriptor field;
    field.name = std::string(name);
    field.description = std::string(description);
    field.offset = OffsetOf(member);
    field.field_key = &TypeKeyOf<M>();
    field.type_id = BindingTypeIdOf<M>(registry_);
    field.declared_type_id = declared;
    field.flags = flags;
    field.optional_value = kIsBindingOptional<M>;
    field.converter = std::make_unique<native_conversion_internal::NativeFieldConverter<M>>();
    builder_.AddField(std::move(field));
    return *this;
  }

  StructRegistration& Description(std::string_view text) {
    builder_.SetDescription(text);
    return *this;
  }
  StructRegistration& NameSpace(std::string_view text) {
    builder_.SetNameSpace(text);
    return *this;
  }
  StructRegistration& Tags(std::initializer_list<std::string_view> tags) {
    for (std::string_view tag : tags) builder_.AddTag(tag);
    return *this;
  }

  void Commit() { builder_.Commit(); }

  // True when the name was taken before this registration began.
  bool already_registered() const { return builder_.already_registered(); }

 private:
  template <class M, class C>
  uint32_t OffsetOf(M C::*member) const {
    const T& object = probe_;
    const C& owner = object;  // a base class member lies inside the base
    return static_cast<uint32_t>(reinterpret_cast<const char*>(&(owner.*member)) -
                                 reinterpret_cast<const char*>(&object));
  }

  BindingTypeRegistry& registry_;
  BindingTypeBuilder builder_;
  const T probe_{};
};

template <class E>
class [[nodiscard]] EnumRegistration {
 public:
  static_assert(std::is_enum_v<E>, "RegisterEnum takes an enumeration type");
  static_assert(sizeof(std::underlying_type_t<E>) <= sizeof(int32_t),
                "registered enumerations hold 32-bit numbers");

  EnumRegistration(BindingTypeRegistry& registry, std::string_view name)
      : builder_(registry.BeginType(static_cast<uint32_t>(sizeof(E)), name, TypeKeyOf<E>(),
                                    /*is_enum=*/true)) {}
  EnumRegistration(const EnumRegistration&) = delete;
  EnumRegistration& operator=(const EnumRegistration&) = delete;

  // Adds the value `name`. A name given twice keeps its first number; two
  // names may share a number.
  EnumRegistration& Value(std::string_view name, E value, std::string_view description = {}) {
    builder_.AddEnumValue(name, static_cast<int32_t>(value), description);
    return *this;
  }

  EnumRegistration& Description(std::string_view text) {
    builder_.SetDescription(text);
    return *this;
  }
  EnumRegistration& NameSpace(std::string_view text) {
    builder_.SetNameSpace(text);
    return *this;
  }
  EnumRegistration& Tags(std::initializer_list<std::string_view> tags) {
    for (std::string_view tag : tags) builder_.AddTag(tag);
    return *this;
  }

  void Commit() { builder_.Commit(); }

  bool already_registered() const { return builder_.already_registered(); }

 private:
  BindingTypeBuilder builder_;
};

template <class T>
StructRegistration<T> RegisterStruct(BindingTypeRegistry& registry, std::string_view name) {
  return StructRegistration<T>(registry, name);
}

template <class E>
EnumRegistration<E> RegisterEnum(BindingTypeRegistry& registry, std::string_view name) {
  return EnumRegistration<E>(registry, name);
}

}  // namespace tav

#endif  // TAV_BINDING_TYPE_REGISTRATION_H_
