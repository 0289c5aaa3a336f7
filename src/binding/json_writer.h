// Writes a BindingProperty tree as JSON text.
//
// Compact by default (no white space at all). With a non-empty `newline`
// the text is pretty-printed, 4 spaces per level, each element on its own
// line, and every line break is `newline` (for example "\r\n"). Structure
// fields come out in key order. Floats use the shortest text that reads
// back to the same double and always carry a fraction or exponent (1.0, not
// 1); NaN and the infinities, which JSON cannot express, are written null.
// Blobs are written as Base64 strings. An enumeration value is written as
// its name when `registry` knows one, otherwise as its number.
//
//   WriteJson(page);                          // {"id":7,"name":"Sunrise"}
//   WriteJson(page, &registry, "\r\n");       // pretty, CR LF line breaks
#ifndef TAV_BINDING_JSON_WRITER_H_
#define TAV_BINDING_JSON_WRITER_H_

#include <string>
#include <string_view>

#include "binding/binding_property.h"

namespace tav {

class BindingTypeRegistry;

std::string WriteJson(const BindingProperty& value, const BindingTypeRegistry* registry = nullptr,
                      std::string_view newline = {});

}  // namespace tav

#endif  // TAV_BINDING_JSON_WRITER_H_
