#include "binding/binding_type_descriptor.h"

namespace tav {

const char* BindingTypeDescriptor::FindEnumValueName(int32_t number) const {
  for (const auto& [name, value] : values) {
    if (value.number == number) return name.c_str();
  }
  return nullptr;
}

const BindingEnumValueDescriptor* BindingTypeDescriptor::FindEnumValue(
    std::string_view name) const {
  auto it = values.find(name);
  return it == values.end() ? nullptr : &it->second;
}

}  // namespace tav
