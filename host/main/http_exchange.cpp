#include "main/http_exchange.h"

#include <cctype>

#include "json_text.h"
#include "tav/plugin_abi.h"

namespace tav::host {

namespace {

// The nesting depth of a JSON text, brackets inside strings not counted;
// stops counting once past `limit`.
int NestingDepth(std::string_view text, int limit) {
  int depth = 0;
  int deepest = 0;
  bool in_string = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (in_string) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        in_string = false;
      }
      continue;
    }
    if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      if (++depth > deepest) deepest = depth;
      if (deepest > limit) return deepest;
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
  return deepest;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

// The type must end where the prefix ends, or go on with parameters.
bool IsMediaType(std::string_view content_type, std::string_view type) {
  if (!StartsWithNoCase(content_type, type)) return false;
  if (content_type.size() == type.size()) return true;
  const char next = content_type[type.size()];
  return next == ';' || next == ' ' || next == '\t';
}

}  // namespace

std::string_view HttpExchange::path() const {
  std::string_view view(target);
  return view.substr(0, view.find('?'));
}

std::string_view HttpExchange::query() const {
  std::string_view view(target);
  size_t question = view.find('?');
  return question == std::string_view::npos ? std::string_view() : view.substr(question + 1);
}

HttpAnswer ErrorAnswer(int status, std::string_view text) {
  rapidjson::Document error(rapidjson::kObjectType);
  error.AddMember("error",
                  rapidjson::Value(text.data(), static_cast<rapidjson::SizeType>(text.size()), error.GetAllocator()),
                  error.GetAllocator());
  return JsonAnswer(status, error);
}

HttpAnswer JsonAnswer(int status, const rapidjson::Value& value) {
  HttpAnswer answer;
  answer.status = status;
  answer.body = JsonText(value);
  return answer;
}

HttpAnswer NoContentAnswer() {
  HttpAnswer answer;
  answer.status = 204;
  answer.content_type.clear();
  return answer;
}

uint32_t MethodCode(std::string_view method) {
  if (method == "DELETE") return TAV_METHOD_DELETE;
  if (method == "GET") return TAV_METHOD_GET;
  if (method == "HEAD") return TAV_METHOD_HEAD;
  if (method == "OPTIONS") return TAV_METHOD_OPTIONS;
  if (method == "PATCH") return TAV_METHOD_PATCH;
  if (method == "POST") return TAV_METHOD_POST;
  if (method == "PUT") return TAV_METHOD_PUT;
  return 0;
}

bool ParseJsonBody(std::string_view text, rapidjson::Document* out, std::string* error) {
  if (NestingDepth(text, kMaxJsonBodyDepth) > kMaxJsonBodyDepth) {
    *error = "Invalid JSON body: nested deeper than " + std::to_string(kMaxJsonBodyDepth) + " levels";
    out->SetNull();
    return false;
  }
  std::string reason;
  if (!ParseJsonText(text, out, &reason)) {
    *error = "Invalid JSON body: " + reason;
    return false;
  }
  return true;
}

bool IsJsonContentType(std::string_view content_type) {
  return content_type.empty() || IsMediaType(content_type, "application/json") ||
         IsMediaType(content_type, "application/vnd.api+json");
}

bool IsResourceBodyType(std::string_view content_type) {
  return IsJsonContentType(content_type) || IsMediaType(content_type, "application/x-www-form-urlencoded");
}

}  // namespace tav::host
