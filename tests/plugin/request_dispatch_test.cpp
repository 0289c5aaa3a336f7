// The dispatch entry called directly with request records: routes,
// records the core got wrong, the request context and the answer records.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "loaded_plugin.h"
#include "test_module.h"

namespace tav {
namespace {

using test::TestModule;

class DispatchTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(plugin_.Initialize(core_, 0xF00D)); }

  FakeCore core_;
  LoadedPlugin<TestModule> plugin_;
};

TEST_F(DispatchTest, AnswersValuesAndFailures) {
  struct Case {
    const char* function;
    const char* url;
    uint32_t status;
    std::optional<std::string> error;
    bool error_owned;
    const char* value;
  };
  const Case cases[] = {
      {"GetTestV1ThingsById", "/test/v1/things/4", 200, std::nullopt, false,
       R"({"id":4,"name":"thing 4"})"},
      {"GetTestV1ThingsById", "/test/v1/things/404", 404, "No such thing", true, ""},
      {"GetTestV1Unregistered", "/test/v1/unregistered", 400,
       "Couldn't convert native value because it's an unregistered structure.", true, ""},
      // Whatever a handler throws is answered with a text that needs no
      // allocation.
      {"GetTestV1Throw", "/test/v1/throw", 500, "Internal server error", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    Answer answer = plugin_.Call(c.function, Request(TAV_METHOD_GET, c.url));
    EXPECT_EQ(answer.status, c.status);
    EXPECT_EQ(answer.error, c.error);
    EXPECT_EQ(answer.error_owned, c.error_owned);
    EXPECT_EQ(answer.value_json, c.value);
  }
  EXPECT_THAT(core_.logs.back().text,
              ::testing::EndsWith("Exception while dispatching /test/v1/throw"));
}

TEST_F(DispatchTest, MalformedRequestsAreAnsweredNotFollowed) {
  const CoreHeader nameless_header[] = {{nullptr, "x"}};
  const CoreHeader valueless_header[] = {{"mood", nullptr}};
  struct Case {
    const char* label;
    RequestRecord request;
    const char* error;
  };
  auto with = [](auto change) {
    RequestRecord request = Request(TAV_METHOD_GET, "/test/v1/context");
    change(request);
    return request;
  };
  const Case cases[] = {
      {"no URL", with([](RequestRecord& r) { r.url = nullptr; }), "Malformed request: no URL"},
      {"arguments without an array", with([](RequestRecord& r) { r.argument_count = 3; }),
       "Malformed request: no argument array"},
      {"headers without an array", with([](RequestRecord& r) { r.header_count = 2; }),
       "Malformed request: no header array"},
      {"a header without a name",
       with([&](RequestRecord& r) {
         r.headers = nameless_header;
         r.header_count = 1;
       }),
       "Malformed request: a header without a name or value"},
      {"a header without a value",
       with([&](RequestRecord& r) {
         r.headers = valueless_header;
         r.header_count = 1;
       }),
       "Malformed request: a header without a name or value"},
      {"a body size without a body", with([](RequestRecord& r) { r.body_size = 10; }),
       "Malformed request: no body"},
      {"a named method without a name", with([](RequestRecord& r) { r.method = TAV_METHOD_NAMED; }),
       "Malformed request: no method name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Answer answer = plugin_.Call("GetTestV1Context", c.request);
    EXPECT_EQ(answer.status, 400u);
    EXPECT_EQ(answer.error, c.error);
  }
}

TEST_F(DispatchTest, UnknownDispatchContextsAreInvalidFunctions) {
  const FunctionRecord* record = plugin_.Function("GetTestV1Things");
  int not_a_function = 0;
  for (const void* context : {static_cast<const void*>(nullptr),
                              static_cast<const void*>(&not_a_function)}) {
    RequestRecord request = Request(TAV_METHOD_GET, "/test/v1/things");
    request.dispatch_context = context;
    ResponseRecord response;
    record->dispatch(&response, &request);
    Answer answer = ReadAnswer(response);
    EXPECT_EQ(answer.status, 404u);
    EXPECT_EQ(answer.error, "Invalid function");
  }
  record->dispatch(nullptr, nullptr);  // nothing to answer into
  ResponseRecord response;
  record->dispatch(&response, nullptr);
  EXPECT_EQ(ReadAnswer(response).error, "Malformed request: no request");
}

TEST_F(DispatchTest, RoutesMatchThePathAndTheMethod) {
  struct Case {
    const char* function;
    uint32_t method;
    const char* url;
    const char* method_name;
    uint32_t status;
    const char* value;
  };
  const Case cases[] = {
      {"GetTestV1Things", TAV_METHOD_GET, "/test/v1/things", nullptr, 200,
       R"([{"id":1,"name":"one"},{"id":2,"name":"two"}])"},
      // The trailing slash was dropped at registration.
      {"GetTestV1Things", TAV_METHOD_GET, "/test/v1/things/", nullptr, 404, ""},
      // The query is not part of the match: it goes to the arguments.
      {"GetTestV1Things", TAV_METHOD_GET, "/test/v1/things?sort=name&&", nullptr, 0, ""},
      {"GetTestV1Things", TAV_METHOD_POST, "/test/v1/things", nullptr, 404, ""},
      {"GetTestV1ThingsById", TAV_METHOD_GET, "/test/v1/things/7/parts", nullptr, 404, ""},
      // Both routes match; the later one wins as it captures less.
      {"GetTestV1ThingsById", TAV_METHOD_GET, "/test/v1/things/byId", nullptr, 200,
       R"({"id":1,"name":"first"})"},
      {"BrewTestV1PotsByName", TAV_METHOD_NAMED, "/test/v1/pots/a%20b%2Fc", "BREW", 200,
       "\"brewing a b/c\""},
      {"BrewTestV1PotsByName", TAV_METHOD_NAMED, "/test/v1/pots/green", "STEEP", 404, ""},
      {"BrewTestV1PotsByName", TAV_METHOD_GET, "/test/v1/pots/green", nullptr, 404, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.function) + " " + c.url);
    RequestRecord request = Request(c.method, c.url);
    request.method_name = c.method_name;
    Answer answer = plugin_.Call(c.function, request);
    EXPECT_EQ(answer.status, c.status) << answer.error.value_or("");
    EXPECT_EQ(answer.value_json, c.value);
    if (c.status == 404) {
      EXPECT_EQ(answer.error, "Invalid function");
    }
  }
}

TEST_F(DispatchTest, ArgumentsThatDoNotDecodeAreRefused) {
  CoreArgument argument{"id", {}};
  argument.value.kind = 42;
  RequestRecord request = Request(TAV_METHOD_POST, "/test/v1/argument");
  request.arguments = &argument;
  request.argument_count = 1;
  Answer answer = plugin_.Call("PostTestV1Argument", request);
  EXPECT_EQ(answer.status, 0u);
  EXPECT_EQ(answer.error,
            "Couldn't assign value to 'id' of type object because the input is of an "
            "incompatible type ''.");
}

TEST_F(DispatchTest, HandlersThatAskGetTheRequestContext) {
  // Of a repeated header, the last value counts.
  const CoreHeader headers[] = {{"mood", "sleepy"}, {"Accept", "text/x-yaml"}, {"mood", "bright"}};
  RequestRecord request = Request(TAV_METHOD_GET, "/test/v1/context?");
  request.headers = headers;
  request.header_count = 3;
  request.host_context = 0xF00D;
  Answer answer = plugin_.Call("GetTestV1Context", request);
  ASSERT_EQ(answer.status, 200u) << answer.error.value_or("");
  EXPECT_EQ(answer.value_json,
            "\"61453 GET /test/v1/context? mood:bright arrived Accept=text/x-yaml mood=bright\"");
}

TEST_F(DispatchTest, KeyChainsAreBoundedInDepth) {
  std::string url = "/test/v1/ids?ids";
  for (int i = 0; i < 600; ++i) url += ".0";
  url += "=1";
  Answer answer = plugin_.Call("GetTestV1Ids", Request(TAV_METHOD_GET, url.c_str()));
  EXPECT_EQ(answer.error, "Argument 'ids' for 'GetTestV1Ids' is nested too deeply.");

  // Element 1 was never given: it stays a default element.
  answer = plugin_.Call("GetTestV1Ids", Request(TAV_METHOD_GET, "/test/v1/ids?ids.2=9&ids.0=4"));
  EXPECT_EQ(answer.value_json, "[4,0,9]");
}

}  // namespace
}  // namespace tav
