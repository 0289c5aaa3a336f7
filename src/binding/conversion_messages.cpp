#include "binding/conversion_messages.h"

#include <string>

#include "log/positional_format.h"

namespace tav {

namespace {

// The input as the %1 of a message. The text of a string input is borrowed
// from `input` and must outlive the message's construction.
FormatArg InputValueArg(const BindingProperty& input) {
  switch (input.kind()) {
    case BindingPropertyKind::kSigned:
      return FormatArg(input.AsInt64());
    case BindingPropertyKind::kUnsigned:
      return FormatArg(input.AsUint64());
    case BindingPropertyKind::kFloat:
      return FormatArg(input.AsDouble());
    case BindingPropertyKind::kString:
      return FormatArg(input.AsString());
    case BindingPropertyKind::kEnum:
      return FormatArg(input.AsEnum().value);
    case BindingPropertyKind::kBool:
      return FormatArg(input.AsBool() ? "true" : "false");
    case BindingPropertyKind::kEmpty:
    case BindingPropertyKind::kBlob:
    case BindingPropertyKind::kCollection:
    case BindingPropertyKind::kStructure:
      return FormatArg("");
  }
  return FormatArg("");
}

}  // namespace

void FailValueRequired(BindingResult& result, std::string_view name) {
  result.Fail(FormatMessage("A value for '%1' is required.", name));
}

void FailOutOfRange(BindingResult& result, const BindingProperty& input, std::string_view name,
                    std::string_view type_name) {
  result.Fail(FormatMessage("Value %1 for '%2' of type %3 is out of range", InputValueArg(input),
                            name, type_name));
}

void FailIncorrectFormat(BindingResult& result, std::string_view text, std::string_view name,
                         std::string_view type_name) {
  result.Fail(FormatMessage("Value %1 for '%2' of type %3 is in an incorrect format", text, name,
                            type_name));
}

void FailBoolIncorrectFormat(BindingResult& result, std::string_view text, std::string_view name) {
  result.Fail(
      FormatMessage("Value %1 for '%2' of type bool is in an incorrect format. "
                    "Options are \"true\", \"false\", \"1\", \"0\".",
                    text, name));
}

void FailInvalidType(BindingResult& result, std::string_view name, std::string_view type_name,
                     BindingPropertyKind kind) {
  result.Fail(FormatMessage(
      "Couldn't assign value to '%1' of type %2 because the input is of an invalid type %3.", name,
      type_name, BindingPropertyKindName(kind)));
}

void FailNotAString(BindingResult& result, std::string_view name) {
  result.Fail(
      FormatMessage("Couldn't assign value to '%1' because the input is not a string.", name));
}

void FailUnnamedEnumValue(BindingResult& result, int32_t number, std::string_view name) {
  result.Fail(FormatMessage("%1 is not a valid enumeration value for '%2'.", number, name));
}

void FailInvalidEnumValue(BindingResult& result, const BindingProperty& input,
                          std::string_view enum_name, std::string_view name) {
  result.Fail(FormatMessage("%1 is not a valid %2 enumeration value for '%3'.",
                            InputValueArg(input), enum_name, name));
}

void FailEnumInvalidType(BindingResult& result, std::string_view name, BindingPropertyKind kind) {
  result.Fail(FormatMessage(
      "Couldn't assign value to '%1' of enum type because the input is of an invalid type %2.",
      name, BindingPropertyKindName(kind)));
}

void FailUnregisteredToBinding(BindingResult& result) {
  result.Fail("Couldn't convert native value because it's an unregistered structure.");
}

void FailUnregisteredFromBinding(BindingResult& result, std::string_view name) {
  result.Fail(FormatMessage(
      "Couldn't assign value to '%1' because the input is an unregistered structure or not a "
      "structure at all.",
      name));
}

void FailNotAStructure(BindingResult& result, std::string_view name, std::string_view type_name) {
  result.Fail(
      FormatMessage("Couldn't assign value to '%1' of type %2 because the input not a structure.",
                    name, type_name));
}

void FailMissingRequiredField(BindingResult& result, std::string_view name,
                              std::string_view type_name, std::string_view field_name) {
  result.Fail(FormatMessage(
      "Couldn't assign value to '%1' of type %2 because the input structure doesn't have "
      "required field '%3'.",
      name, type_name, field_name));
}

void FailNotACollection(BindingResult& result, std::string_view name) {
  result.Fail(FormatMessage(
      "Couldn't assign value to '%1' of type vector because the input not a collection.", name));
}

void FailMapNotAStructure(BindingResult& result, std::string_view name) {
  result.Fail(FormatMessage(
      "Couldn't assign value to '%1' of type map because the input not a structure.", name));
}

}  // namespace tav
