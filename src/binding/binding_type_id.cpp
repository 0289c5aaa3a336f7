#include "binding/binding_type_id.h"

#include "binding/binding_type_descriptor.h"
#include "log/positional_format.h"

namespace tav {

namespace {

bool NamesRegisteredType(BindingTypeCode code) {
  return code == BindingTypeCode::kEnum || code == BindingTypeCode::kStruct;
}

bool HasElement(BindingTypeCode code) {
  return code == BindingTypeCode::kVector || code == BindingTypeCode::kMap;
}

// The native name of `code` standing alone, with `type` as its registered
// type when the code names one.
const char* NativeName(BindingTypeCode code, const BindingTypeDescriptor* type) {
  if (NamesRegisteredType(code) && type != nullptr) return type->name.c_str();
  return BindingTypeCodeNativeName(code);
}

std::string EpytextName(BindingTypeCode code, const BindingTypeDescriptor* type) {
  if (NamesRegisteredType(code)) {
    return FormatMessage(BindingTypeCodeEpytextName(code), NativeName(code, type));
  }
  return BindingTypeCodeEpytextName(code);
}

}  // namespace

BindingTypeNames NativeTypeNames(const BindingTypeId& id) {
  BindingTypeNames names;
  names.type = NativeName(id.code, id.type);
  if (HasElement(id.code)) names.element_type = NativeName(id.element_code, id.type);
  return names;
}

std::string EpytextTypeName(const BindingTypeId& id) {
  if (!HasElement(id.code)) return EpytextName(id.code, id.type);
  // The element is described by its code and the registered type alone, so
  // an inner vector or map has no element name of its own.
  std::string element = HasElement(id.element_code)
                            ? FormatMessage(BindingTypeCodeEpytextName(id.element_code), "")
                            : EpytextName(id.element_code, id.type);
  return FormatMessage(BindingTypeCodeEpytextName(id.code), element);
}

}  // namespace tav
