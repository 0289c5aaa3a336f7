// BindingTypeBuilder: the short-lived object that fills in one type begun
// with BindingTypeRegistry::BeginType. When the name was already registered
// the builder is inert: every add and the commit do nothing, and the first
// registration stays as it was. Most code uses the typed front ends of
// type_registration.h instead.
//
//   BindingTypeBuilder builder = registry.BeginType(4, "Color", TypeKeyOf<Color>(), true);
//   builder.AddEnumValue("Red", 1, "");
//   builder.Commit();
#ifndef TAV_BINDING_BINDING_TYPE_BUILDER_H_
#define TAV_BINDING_BINDING_TYPE_BUILDER_H_

#include <cstdint>
#include <string_view>

#include "binding/binding_type_descriptor.h"

namespace tav {

class BindingTypeBuilder {
 public:
  // Null `descriptor`: the name was already registered.
  explicit BindingTypeBuilder(BindingTypeDescriptor* descriptor) : descriptor_(descriptor) {}

  bool already_registered() const { return descriptor_ == nullptr && !committed_; }
  // False once the name was found taken or the type committed.
  bool accepts_changes() const { return descriptor_ != nullptr; }

  void SetDescription(std::string_view description);
  void SetNameSpace(std::string_view name_space);
  void AddTag(std::string_view tag);

  // Appends a field; its name hash is filled in here. A second field of the
  // same name is dropped, so no two converters write one key.
  void AddField(BindingFieldDescriptor field);

  // Adds a value to an enumeration. A name given twice keeps its first
  // number. Two names may share a number.
  void AddEnumValue(std::string_view name, int32_t number, std::string_view description);

  // Finishes the type; later adds do nothing.
  void Commit();

 private:
  BindingTypeDescriptor* descriptor_;
  bool committed_ = false;
};

}  // namespace tav

#endif  // TAV_BINDING_BINDING_TYPE_BUILDER_H_
