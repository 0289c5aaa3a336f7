// JSON text helpers for the host side: parse a text into a RapidJSON document
// and write a value back as compact text.
//
//   rapidjson::Document doc = JsonValue(R"({"id": 7})");
//   std::string text = JsonText(doc);   // {"id":7}
#ifndef TAV_HOST_JSON_TEXT_H_
#define TAV_HOST_JSON_TEXT_H_

#include <string>
#include <string_view>

#include <rapidjson/document.h>

namespace tav::host {

// Parses `text` (the whole text must be one JSON value). On failure returns
// false, leaves `out` null and sets `error` to "<parser message> at offset N".
bool ParseJsonText(std::string_view text, rapidjson::Document* out, std::string* error);

// For values written by hand in tests and sample data: a text that is not
// JSON is a mistake of the caller, reported on stderr before aborting.
rapidjson::Document JsonValue(std::string_view text);

// Compact text; NaN and infinities are written as NaN/Infinity.
std::string JsonText(const rapidjson::Value& value);

// A deep copy into a new document.
rapidjson::Document CopyJson(const rapidjson::Value& value);

}  // namespace tav::host

#endif  // TAV_HOST_JSON_TEXT_H_
