// One HTTP request as the core sees it, the answer it gives, and the small
// helpers both sides of the queue share.
//
//   HttpExchange exchange;
//   exchange.method = "PUT";
//   exchange.target = "/tav-gameflow/v1/session";
//   exchange.body = R"({"phase":"ChampSelect"})";
//   HttpAnswer answer = gateway.Handle(exchange);   // 204, or {"error": ...} with a 4xx
#ifndef TAV_HOST_MAIN_HTTP_EXCHANGE_H_
#define TAV_HOST_MAIN_HTTP_EXCHANGE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <rapidjson/document.h>

namespace tav::host {

struct HttpExchange {
  std::string method;   // as sent: "GET", "PATCH", ...
  std::string target;   // the request target as sent: path and optional query
  std::vector<std::pair<std::string, std::string>> headers;  // as sent, in order
  std::string content_type;  // the Content-Type header, or empty
  std::string body;

  // The target before the first "?", and after it ("" when none).
  std::string_view path() const;
  std::string_view query() const;
};

struct HttpAnswer {
  int status = 200;
  std::string content_type = "application/json";
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;
};

// {"error": "<text>"} with `status`.
HttpAnswer ErrorAnswer(int status, std::string_view text);
// The value as compact JSON with `status`.
HttpAnswer JsonAnswer(int status, const rapidjson::Value& value);
// An empty body with 204.
HttpAnswer NoContentAnswer();

// The plugin ABI's code of an HTTP method name ("GET" -> TAV_METHOD_GET),
// compared exactly as HTTP does (upper case); 0 for any other name.
uint32_t MethodCode(std::string_view method);

// The deepest nesting ParseJsonBody accepts.
inline constexpr int kMaxJsonBodyDepth = 512;

// Parses a request body as one JSON value. Refuses, before building
// anything, a text nested deeper than kMaxJsonBodyDepth, so that neither
// the parser nor the value's destruction can exhaust the stack. False with
// `error` set to "Invalid JSON body: <reason>".
bool ParseJsonBody(std::string_view text, rapidjson::Document* out, std::string* error);

// Whether a content type names JSON: "application/json" or
// "application/vnd.api+json", in any case, parameters allowed; an empty
// type counts as JSON.
bool IsJsonContentType(std::string_view content_type);

// Whether the core reads a body of this type as JSON for its own and the
// peers' resources: the JSON types, and also the form type that curl's -d
// sends unless told otherwise.
bool IsResourceBodyType(std::string_view content_type);

}  // namespace tav::host

#endif  // TAV_HOST_MAIN_HTTP_EXCHANGE_H_
