// Conversions of one BindingProperty to a native scalar, with the exact
// user-facing messages. The field converters of the type registry and the
// codecs (YAML tags) use them.
//
// Each one does nothing and returns a zero value when `result` has already
// failed, so the first error stands. On failure it fails `result` with its
// message and returns a zero value.
//
//   BindingResult result;
//   int64_t id = ConvertToSigned(result, input, "id", INT32_MIN, INT32_MAX, "int32");
//   if (!result.ok()) return result.error();
#ifndef TAV_BINDING_SCALAR_CONVERSION_H_
#define TAV_BINDING_SCALAR_CONVERSION_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "binding/binding_property.h"
#include "binding/binding_result.h"

namespace tav {

class BindingTypeRegistry;

bool ConvertToBool(BindingResult& result, const BindingProperty& input,
                   std::string_view field_name);

// Signed integers of any width: the caller passes the type's limits and its
// native name ("int32", "int64", ...).
int64_t ConvertToSigned(BindingResult& result, const BindingProperty& input,
                        std::string_view field_name, int64_t min, int64_t max,
                        std::string_view type_name);

uint64_t ConvertToUnsigned(BindingResult& result, const BindingProperty& input,
                           std::string_view field_name, uint64_t max, std::string_view type_name);

double ConvertToFloat(BindingResult& result, const BindingProperty& input,
                      std::string_view field_name, double min, double max,
                      std::string_view type_name);

// A string, or the name of an enumeration value looked up in `registry`
// (which may be null: then enum values have no name).
std::string ConvertToString(BindingResult& result, const BindingProperty& input,
                            std::string_view field_name, const BindingTypeRegistry* registry);

}  // namespace tav

#endif  // TAV_BINDING_SCALAR_CONVERSION_H_
