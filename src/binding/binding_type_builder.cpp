#include "binding/binding_type_builder.h"

#include <string>
#include <utility>

#include "binding/binding_allocator.h"

namespace tav {

void BindingTypeBuilder::SetDescription(std::string_view description) {
  if (descriptor_ == nullptr) return;
  descriptor_->description = std::string(description);
}

void BindingTypeBuilder::SetNameSpace(std::string_view name_space) {
  if (descriptor_ == nullptr) return;
  descriptor_->name_space = std::string(name_space);
}

void BindingTypeBuilder::AddTag(std::string_view tag) {
  if (descriptor_ == nullptr) return;
  descriptor_->tags.emplace_back(tag);
}

void BindingTypeBuilder::AddField(BindingFieldDescriptor field) {
  if (descriptor_ == nullptr) return;
  for (const BindingFieldDescriptor& existing : descriptor_->fields) {
    if (existing.name == field.name) return;
  }
  field.name_hash = Fnv1a32(field.name);
  descriptor_->fields.push_back(std::move(field));
}

void BindingTypeBuilder::AddEnumValue(std::string_view name, int32_t number,
                                      std::string_view description) {
  if (descriptor_ == nullptr) return;
  descriptor_->values.try_emplace(std::string(name),
                                  BindingEnumValueDescriptor{number, std::string(description)});
}

void BindingTypeBuilder::Commit() {
  if (descriptor_ == nullptr) return;
  descriptor_ = nullptr;
  committed_ = true;
}

}  // namespace tav
