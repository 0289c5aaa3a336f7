// Decoding of the texts and bodies that bind to endpoint parameters.
//
// A value text (from a header, the path or the query) has no content type:
// it is read as MessagePack, JSON or YAML when the parameter is structured
// (an object, vector, structure or map) and the text looks like one of
// them, and as a string otherwise; the registry's conversions then turn a
// string into the parameter's type. A body is decoded by its content type.
//
//   BindingResult id = DecodeValueText("12", {}, /*structured=*/false, "id", "GetPageById");
//   BindingResult page = DecodeBody(body, size, "application/json", "page", "PutPageById");
#ifndef TAV_PLUGIN_VALUE_DECODING_H_
#define TAV_PLUGIN_VALUE_DECODING_H_

#include <cstddef>
#include <string_view>

#include "binding/binding_result.h"

namespace tav {

// True when `content_type` begins with `prefix`, compared without regard to
// ASCII case, so that parameters after the type ("; charset=utf-8") still
// match.
bool ContentTypeStartsWith(std::string_view content_type, std::string_view prefix);

enum class ValueSniff { kText, kMsgpack, kJson, kYaml };

// MessagePack when the first byte is 0x80-0x9F or 0xDC-0xDF (a map or an
// array); otherwise JSON when the first character after spaces is "{" or
// "["; otherwise YAML when the text after spaces starts with "---".
ValueSniff SniffValueText(std::string_view text);

// Decodes one value text for parameter `parameter` of `function`. With a
// content type: "application/x-msgpack" (and "-ext") MessagePack,
// "application/json" JSON, "text/x-yaml" YAML, "application/octet-stream"
// the bytes as a blob; any other type gives the text as a string. Without
// one, `structured` parameters are sniffed (above). Codec failures read
// "Couldn't deserialize JSON value for parameter 'id' of 'GetX': <error>"
// (MessagePack and YAML alike).
BindingResult DecodeValueText(std::string_view text, std::string_view content_type,
                              bool structured, std::string_view parameter,
                              std::string_view function);

// Decodes a request body by its content type: "application/x-msgpack"
// (which also takes "application/x-msgpack-ext"), "application/json",
// "application/vnd.api+json" or "application/x-yaml". Any other type, or
// none, fails with "Unsupported body content type"; MessagePack that ends
// before the body does fails with "Extra MessgePack data found in body".
BindingResult DecodeBody(const void* body, size_t size, std::string_view content_type,
                         std::string_view parameter, std::string_view function);

}  // namespace tav

#endif  // TAV_PLUGIN_VALUE_DECODING_H_
