// Reads one JSON text into a BindingProperty tree.
//
// Strict JSON (no comments, trailing commas or NaN). Leading and trailing
// white space (space, tab, CR, LF) is skipped; a text that is empty or all
// white space gives an ok, empty result. Whole numbers without a minus sign
// that fit 64 bits become unsigned, with a minus sign signed; every other
// number becomes a float. null leaves its cell empty. A repeated key reuses
// its field: scalars overwrite, objects merge and arrays append. Containers
// nested deeper than kMaxNestingDepth are refused.
//
// Failures read "Error: <reason> at offset <byte offset>.", for example
// "Error: Invalid value. at offset 3.".
//
//   BindingResult parsed = ParseJson(R"({"id": 7, "name": "Sunrise"})");
//   if (parsed.ok()) parsed.value()["id"].GetUint64(0);  // 7
#ifndef TAV_BINDING_JSON_READER_H_
#define TAV_BINDING_JSON_READER_H_

#include <string_view>

#include "binding/binding_result.h"

namespace tav {

// The text need not be NUL-terminated; a NUL byte inside it is not an end.
BindingResult ParseJson(std::string_view text);

}  // namespace tav

#endif  // TAV_BINDING_JSON_READER_H_
