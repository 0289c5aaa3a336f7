// BindingTypeDescriptor: what the registry knows of one registered native
// structure or enumeration: its size, names, help texts, and either its
// fields in registration order or its values in byte order of their names.
// Descriptors are owned by the registry and never change once the type's
// registration is finished.
//
//   const BindingTypeDescriptor* page = registry.FindType(TypeKeyOf<Page>());
//   for (const BindingFieldDescriptor& field : page->fields) Print(field.name);
//   state->FindEnumValueName(3);  // "ERROR"
#ifndef TAV_BINDING_BINDING_TYPE_DESCRIPTOR_H_
#define TAV_BINDING_BINDING_TYPE_DESCRIPTOR_H_

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "binding/binding_field_converter.h"
#include "binding/binding_type_id.h"
#include "binding/type_key.h"

namespace tav {

// Field flags.
enum BindingFieldFlag : uint32_t {
  // Native -> BindingProperty: leave the field out when its value is empty,
  // false, zero, or a string, blob, collection or structure of size 0.
  kBindingFieldOmitIfEmpty = 1,
  // BindingProperty -> native: the field must be present and not empty.
  kBindingFieldRequired = 2,
};

struct BindingFieldDescriptor {
  std::string name;        // the key in the BindingProperty structure
  uint32_t name_hash = 0;  // FNV-1a of `name`
  std::string description;
  uint32_t offset = 0;                 // byte offset in the native structure
  const TypeKey* field_key = nullptr;  // key of the field's native type
  BindingTypeId type_id;
  // When its code is not kNone, help and the description tables show this
  // type instead of `type_id`.
  BindingTypeId declared_type_id;
  uint32_t flags = 0;           // BindingFieldFlag bits
  bool optional_value = false;  // the native field is a std::optional
  std::unique_ptr<BindingFieldConverter> converter;

  const BindingTypeId& described_type_id() const {
    return declared_type_id.code != BindingTypeCode::kNone ? declared_type_id : type_id;
  }
};

struct BindingEnumValueDescriptor {
  int32_t number = 0;
  std::string description;
};

struct BindingTypeDescriptor {
  uint32_t native_size = 0;
  bool is_enum = false;
  std::string name;  // unique in the registry
  std::string name_space;
  const TypeKey* key = nullptr;
  std::string description;
  std::vector<std::string> tags;
  // Structures: in registration order.
  std::vector<BindingFieldDescriptor> fields;
  // Enumerations: by name, in byte order (std::string compares bytes as
  // unsigned). Two names may share a number.
  std::map<std::string, BindingEnumValueDescriptor, std::less<>> values;

  // The first name in byte order whose number is `number`, or null.
  const char* FindEnumValueName(int32_t number) const;
  // The value called exactly `name`, or null.
  const BindingEnumValueDescriptor* FindEnumValue(std::string_view name) const;
  bool HasEnumNumber(int32_t number) const { return FindEnumValueName(number) != nullptr; }
};

}  // namespace tav

#endif  // TAV_BINDING_BINDING_TYPE_DESCRIPTOR_H_
