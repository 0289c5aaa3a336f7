// The helpers both sides of the core's queue share: JSON bodies that cannot
// exhaust the stack, and the content types taken as JSON.
#include "main/http_exchange.h"

#include <gtest/gtest.h>

#include "json_text.h"

namespace tav::host {
namespace {

TEST(HttpExchange, JsonBodiesAreRefusedBeforeTheyNestTooDeep) {
  struct Case {
    const char* label;
    std::string body;
    std::string outcome;  // the value as JSON, or the error
  };
  const Case cases[] = {
      {"a hundred thousand brackets", std::string(100000, '[') + std::string(100000, ']'),
       "Invalid JSON body: nested deeper than 512 levels"},
      {"unclosed, just past the limit", std::string(513, '{'), "Invalid JSON body: nested deeper than 512 levels"},
      {"at the limit", std::string(512, '[') + std::string(512, ']'), std::string(512, '[') + std::string(512, ']')},
      {"brackets inside texts do not count", "[\"" + std::string(1000, '[') + "\\\"\"]",
       "[\"" + std::string(1000, '[') + "\\\"\"]"},
      {"not JSON", R"({"phase":)", "Invalid JSON body: Invalid value. at offset 9"},
      {"trailing text", "{} {}", "Invalid JSON body: The document root must not be followed by other values. at offset 3"},
      {"a number too large", "1e999", "Invalid JSON body: Number too big to be stored in double. at offset 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    rapidjson::Document value;
    std::string error;
    const bool ok = ParseJsonBody(c.body, &value, &error);
    EXPECT_EQ(ok ? JsonText(value) : error, c.outcome);
  }
}

}  // namespace
}  // namespace tav::host
