#include "json_text.h"

#include <cstdio>
#include <cstdlib>

#include <rapidjson/error/en.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace tav::host {

bool ParseJsonText(std::string_view text, rapidjson::Document* out, std::string* error) {
  // kParseStopWhenDoneFlag would accept trailing garbage; without it the
  // parser insists the whole text is one value.
  out->Parse<rapidjson::kParseNanAndInfFlag>(text.data(), text.size());
  if (!out->HasParseError()) return true;
  if (error != nullptr) {
    *error = std::string(rapidjson::GetParseError_En(out->GetParseError())) + " at offset " +
             std::to_string(out->GetErrorOffset());
  }
  out->SetNull();
  return false;
}

rapidjson::Document JsonValue(std::string_view text) {
  rapidjson::Document doc;
  std::string error;
  if (!ParseJsonText(text, &doc, &error)) {
    std::fprintf(stderr, "devcore: not JSON (%s): %.*s\n", error.c_str(), static_cast<int>(text.size()),
                 text.data());
    std::abort();
  }
  return doc;
}

std::string JsonText(const rapidjson::Value& value) {
  rapidjson::StringBuffer buffer;
  rapidjson::Writer<rapidjson::StringBuffer, rapidjson::UTF8<>, rapidjson::UTF8<>, rapidjson::CrtAllocator,
                    rapidjson::kWriteNanAndInfFlag>
      writer(buffer);
  value.Accept(writer);
  return std::string(buffer.GetString(), buffer.GetSize());
}

rapidjson::Document CopyJson(const rapidjson::Value& value) {
  rapidjson::Document doc;
  doc.CopyFrom(value, doc.GetAllocator());
  return doc;
}

}  // namespace tav::host
