// Payloads of the plugin fuzzer's steps: a JSON text, optionally preceded by
// shape operators that bend it the ways a careless or hostile peer would:
//
//   %deep:N[:key]    wrap the member `key` (or the whole value) in N levels
//                    of arrays and objects
//   %huge:N[:key]    make the array at `key` (or the first array) N long,
//                    repeating its elements (an array of N zeros when empty)
//   %drop:key        remove the first member named `key`
//   %set:key:json    give the first member named `key` this value (added to
//                    the top object when there is none): wrong kinds
//   %extra:N         add N members that no type knows
//
// "First" is in document order, depth first. A text that is not JSON
// becomes a JSON string holding it; an empty text is null.
//
//   rapidjson::Document doc = ShapePayload("%drop:accountId %set:state:7 {\"state\":\"SUCCEEDED\"}");
#ifndef TAV_FUZZ_PLUGIN_FUZZ_JSON_SHAPES_H_
#define TAV_FUZZ_PLUGIN_FUZZ_JSON_SHAPES_H_

#include <cstddef>
#include <string>
#include <string_view>

#include <rapidjson/document.h>

namespace tav::fuzzing {

// Bounds on the operators, so that one step stays affordable.
inline constexpr size_t kMaxShapeDepth = 1000;
inline constexpr size_t kMaxShapeElements = 10000;
inline constexpr size_t kMaxExtraMembers = 1000;

// Applies the leading operators of `text` to the JSON text after them.
rapidjson::Document ShapePayload(std::string_view text);

// The JSON text as a value: a string holding the text when it is not JSON,
// null when it is empty. Deep texts are parsed without recursion.
rapidjson::Document ParseLenient(std::string_view text);

// True when `text` starts with a shape operator.
bool HasShapeOperators(std::string_view text);

}  // namespace tav::fuzzing

#endif  // TAV_FUZZ_PLUGIN_FUZZ_JSON_SHAPES_H_
