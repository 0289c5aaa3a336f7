// The messages of the native conversions, each built in exactly one place.
// Every function fails `result` with its message (a result that has already
// failed keeps its first one). `name` is the field or value name that the
// messages quote.
//
//   if (input.isEmpty()) return FailValueRequired(result, name);
//   FailOutOfRange(result, input, name, "int32");
#ifndef TAV_BINDING_CONVERSION_MESSAGES_H_
#define TAV_BINDING_CONVERSION_MESSAGES_H_

#include <cstdint>
#include <string_view>

#include "binding/binding_property.h"
#include "binding/binding_result.h"

namespace tav {

// "A value for '%1' is required."
void FailValueRequired(BindingResult& result, std::string_view name);

// Scalars. `input` supplies %1, printed by its kind: numbers in decimal,
// floats like "%g", strings as they are, enumerations by number.
void FailOutOfRange(BindingResult& result, const BindingProperty& input, std::string_view name,
                    std::string_view type_name);
void FailIncorrectFormat(BindingResult& result, std::string_view text, std::string_view name,
                         std::string_view type_name);
void FailBoolIncorrectFormat(BindingResult& result, std::string_view text, std::string_view name);
void FailInvalidType(BindingResult& result, std::string_view name, std::string_view type_name,
                     BindingPropertyKind kind);
void FailNotAString(BindingResult& result, std::string_view name);
void FailUnnamedEnumValue(BindingResult& result, int32_t number, std::string_view name);

// Enumeration fields. `input` supplies %1 as above.
void FailInvalidEnumValue(BindingResult& result, const BindingProperty& input,
                          std::string_view enum_name, std::string_view name);
void FailEnumInvalidType(BindingResult& result, std::string_view name, BindingPropertyKind kind);

// Structures, vectors and maps.
void FailUnregisteredToBinding(BindingResult& result);
void FailUnregisteredFromBinding(BindingResult& result, std::string_view name);
void FailNotAStructure(BindingResult& result, std::string_view name, std::string_view type_name);
void FailMissingRequiredField(BindingResult& result, std::string_view name,
                              std::string_view type_name, std::string_view field_name);
void FailNotACollection(BindingResult& result, std::string_view name);
void FailMapNotAStructure(BindingResult& result, std::string_view name);

}  // namespace tav

#endif  // TAV_BINDING_CONVERSION_MESSAGES_H_
