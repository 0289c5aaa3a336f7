#include "plugin/lcds_call.h"

#include <string>
#include <vector>

#include "plugin/remote_call.h"
#include "plugin/request_method.h"

namespace tav {

namespace lcds_call_internal {

Failure ParameterFailure(std::string_view error) {
  return Failure::Format("Couldn't convert LCDS call parameters: {error}", {{"error", error}});
}

Failure AnswerConversionFailure(std::string_view type_name, std::string_view json) {
  return Failure::Format("Couldn't convert LCDS DTO {name} to C++ from {json}",
                         {{"name", type_name}, {"json", json}});
}

}  // namespace lcds_call_internal

namespace {

constexpr std::string_view kClassMember = "__class";

}  // namespace

void AppModule::TagLcdsClasses(BindingProperty& value, const BindingTypeId& type_id) const {
  if (lcds_class_by_type_name_.empty() || type_id.type == nullptr || type_id.type->is_enum) {
    return;
  }
  TagLcdsContainers(value, *type_id.type, type_id.containers);
}

// `containers` says which cells are vectors and maps down to the structures
// of `type`, so a map (a structure keyed by the map's keys) is never taken
// for a structure to tag, nor the other way round.
void AppModule::TagLcdsContainers(BindingProperty& value, const BindingTypeDescriptor& type,
                                  uint64_t containers) const {
  const uint64_t inner = containers >> kBindingContainerBits;
  switch (OutermostContainer(containers)) {
    case kBindingContainerNone:
      TagLcdsStructure(value, type);
      return;
    case kBindingContainerVector:
      if (value.kind() != BindingPropertyKind::kCollection) return;
      for (size_t i = 0; i < value.size(); ++i) {
        TagLcdsContainers(value.MutableElement(i), type, inner);
      }
      return;
    case kBindingContainerMap: {
      if (value.kind() != BindingPropertyKind::kStructure) return;
      std::vector<std::string> keys;
      for (const BindingStructEntry& entry : value.Fields()) keys.emplace_back(entry.key());
      for (const std::string& key : keys) TagLcdsContainers(value.MutableField(key), type, inner);
      return;
    }
  }
}

void AppModule::TagLcdsStructure(BindingProperty& value, const BindingTypeDescriptor& type) const {
  if (value.kind() != BindingPropertyKind::kStructure) return;
  for (const BindingFieldDescriptor& field : type.fields) {
    if (value.FindField(field.name) == nullptr) continue;
    TagLcdsClasses(value.MutableField(field.name), field.type_id);
  }
  const auto class_name = lcds_class_by_type_name_.find(type.name);
  if (class_name != lcds_class_by_type_name_.end()) {
    value.MutableField(kClassMember).SetString(class_name->second);
  }
}

MaybeType<Failure, BindingProperty> AppModule::InvokeLcds(std::string_view destination,
                                                          std::string_view method,
                                                          const BindingProperty& arguments,
                                                          uint32_t expected_key) {
  RemoteArguments sent;
  sent.AddNamedText("destination", destination);
  sent.AddNamedText("method", method);
  sent.AddNamed("args", arguments, &registry_);
  MaybeType<Failure, BindingProperty> answer =
      SendRemoteRequest(RequestMethod::kPost, kLcdsInvokePath, sent, /*read_value=*/true);
  if (!answer.ok() || answer.value().isEmpty()) return answer;

  const auto expected = lcds_class_by_key_.find(expected_key);
  if (expected == lcds_class_by_key_.end()) return answer;
  const std::string_view actual = answer.value()[kClassMember].GetString();
  if (actual == expected->second) return answer;
  return Failure::Format(
      "Expected '{expected}' as LCDS response for {destination}.{method}, but got '{actual}'",
      {{"expected", expected->second},
       {"destination", destination},
       {"method", method},
       {"actual", actual}});
}

}  // namespace tav
