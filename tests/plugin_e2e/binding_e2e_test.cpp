// Argument binding through the development core: every part of a request,
// with the exact answers to bad arguments, values and bodies.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "e2e_fixture.h"

namespace tav::host {
namespace {

using ::testing::StartsWith;

using BindingTest = E2ePluginTest;

TEST_F(BindingTest, BindsEveryPartOfTheRequest) {
  const char* url = "/e2e/v1/echo/12?flag&ids.1=7&ids.0=5&label=two+words%21&limit=3";
  CallResult result = core_.Call(
      TAV_METHOD_POST, url,
      CallOptions().Header("trace", "abc-123").Body(R"({"name":"Birch","count":2,"tags":["light"]})",
                                                    "application/json"));
  ASSERT_TRUE(result.ok()) << result.Summary();
  EXPECT_EQ(result.ValueJson(), std::string(R"(["12","true","5 7 ","two words!","abc-123","3",)") +
                                    R"("Birch 2 light","POST",")" + url + "\"]");
}

TEST_F(BindingTest, BadArgumentsAreRefusedWithTheirMessage) {
  struct Case {
    const char* url;
    CallOptions options;
    const char* error;
  };
  Case cases[] = {
      {"/e2e/v1/echo/5?colour=red", {}, "Unknown argument 'colour' for 'PostE2eV1EchoById'."},
      {"/e2e/v1/echo/5?colour.tone=red", {}, "Unknown argument 'colour' for 'PostE2eV1EchoById'."},
      {"/e2e/v1/echo/5", CallOptions().ArgText("colour", "red"),
       "Unknown argument 'colour' for 'PostE2eV1EchoById'."},
      {"/e2e/v1/echo/5",
       CallOptions().Positional("1").Positional("true").Positional("[]").Positional("\"l\"")
           .Positional("\"t\"").Positional("2").Positional("{}").Positional("0"),
       "Unknown argument '7' for 'PostE2eV1EchoById'."},
      {"/e2e/v1/echo/5?id=6", {},
       "Argument 'id' for 'PostE2eV1EchoById' was specified in an invalid location."},
      {"/e2e/v1/echo/5?trace=x", {},
       "Argument 'trace' for 'PostE2eV1EchoById' was specified in an invalid location."},
      {"/e2e/v1/echo/5?crate.name=Elm", {},
       "Argument 'crate' for 'PostE2eV1EchoById' was specified in an invalid location."},
      {"/e2e/v1/echo/5", CallOptions().Header("flag", "true"),
       "Argument 'flag' for 'PostE2eV1EchoById' was specified in an invalid location."},
      {"/e2e/v1/echo/5?limit=", {}, "Expected value for argument 'limit'."},
      {"/e2e/v1/echo/5?label", {}, "Expected value for argument 'label'."},
      {"/e2e/v1/echo/5?ids.1x=3", {}, "Index 1x is in an incorrect format"},
      {"/e2e/v1/echo/5?ids.99999999999=3", {}, "Index 99999999999 is out of range"},
      // Far fewer elements than an int32 allows: a short query must not ask
      // for billions of empty elements.
      {"/e2e/v1/echo/5?ids.2000000000=3", {}, "Index 2000000000 is out of range"},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.url);
    CallResult result = core_.Call(TAV_METHOD_POST, c.url, std::move(c.options));
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.error, c.error);
  }
}

TEST_F(BindingTest, ValueConversionFailuresNameTheParameter) {
  struct Case {
    const char* url;
    const char* error;
  };
  const Case cases[] = {
      {"/e2e/v1/echo/twelve", "Value twelve for 'id' of type int32 is in an incorrect format"},
      {"/e2e/v1/echo/5?flag=maybe",
       "Value maybe for 'flag' of type bool is in an incorrect format. "
       "Options are \"true\", \"false\", \"1\", \"0\"."},
      {"/e2e/v1/echo/5?ids.x1=4",
       "Couldn't assign value to 'ids' of type vector because the input not a collection."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    CallResult result = core_.Call(TAV_METHOD_POST, c.url);
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.error, c.error);
  }
}

TEST_F(BindingTest, BadBodiesAreRefusedWithTheirMessage) {
  const std::string msgpack_crate("\x81\xa4name\xa3Oak", 10);
  struct Case {
    const char* label;
    std::string body;
    const char* type;
    const char* error;  // exact, or a prefix when it ends in ": "
  };
  const Case cases[] = {
      {"msgpack with trailing bytes", msgpack_crate + "\x01", "application/x-msgpack",
       "Extra MessgePack data found in body"},
      {"plain text", "Oak", "text/plain", "Unsupported body content type"},
      {"no content type", "Oak", "", "Unsupported body content type"},
      {"yaml by its text type", "name: Oak\n", "text/x-yaml", "Unsupported body content type"},
      {"broken json", "{\"name\":", "application/json",
       "Couldn't deserialize JSON value for parameter 'crate' of 'PutE2eV1Crate': "},
      {"broken yaml", "name: [Oak,", "application/x-yaml",
       "Couldn't deserialize YAML value for parameter 'crate' of 'PutE2eV1Crate': "},
      {"broken msgpack", std::string("\xc1", 1), "application/x-msgpack",
       "Couldn't deserialize MessagePack value for parameter 'crate' of 'PutE2eV1Crate': "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    CallResult result = core_.Call(TAV_METHOD_PUT, "/e2e/v1/crate", CallOptions().Body(c.body, c.type));
    EXPECT_EQ(result.status, 0u);
    ASSERT_TRUE(result.error.has_value());
    const std::string expected = c.error;
    if (expected.size() > 2 && expected.compare(expected.size() - 2, 2, ": ") == 0) {
      EXPECT_THAT(*result.error, StartsWith(expected));
      EXPECT_GT(result.error->size(), expected.size());
    } else {
      EXPECT_EQ(*result.error, expected);
    }
  }
}

}  // namespace
}  // namespace tav::host
