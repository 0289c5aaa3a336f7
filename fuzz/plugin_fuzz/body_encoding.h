// The bytes of a request body in the plugin fuzzer's scripts. A body is
// written as
//
//   [shape operators] [@json|@yaml|@msgpack] text     a value, encoded
//   @hex 7b7d                                          raw bytes in hex
//   anything else                                      the text itself
//
// where the text may spell bytes as \n, \r, \t, \\ and \xHH. A value that
// is not JSON is encoded as a string.
//
//   std::string bytes = EncodeBody("@msgpack {\"ids\":[7101]}");
#ifndef TAV_FUZZ_PLUGIN_FUZZ_BODY_ENCODING_H_
#define TAV_FUZZ_PLUGIN_FUZZ_BODY_ENCODING_H_

#include <string>
#include <string_view>

#include <rapidjson/document.h>

namespace tav::fuzzing {

std::string EncodeBody(std::string_view spec);

// The escapes above resolved; an escape that is cut short stays as written.
std::string Unescape(std::string_view text);

// MessagePack in the shortest forms; YAML in block style with every text
// and key double-quoted. The nesting of `value` must be bounded by the
// caller (both recurse).
std::string ToMessagePack(const rapidjson::Value& value);
std::string ToYaml(const rapidjson::Value& value);

}  // namespace tav::fuzzing

#endif  // TAV_FUZZ_PLUGIN_FUZZ_BODY_ENCODING_H_
