// The frame through the development core and real shared libraries: the
// version handshake of libtav_perks.so, argument binding with the exact
// answers to bad arguments, values and bodies, failure answers with a
// streamed body, and the heap counters.
#include <dlfcn.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/dev_core.h"
#include "host/json_text.h"
#include "host/openapi_document.h"

namespace tav::host {
namespace {

using ::testing::ElementsAre;
using ::testing::StartsWith;

// Keeps both libraries mapped for the whole program, as a core that loads a
// plugin once and never unloads it would. Each test still loads, initialises
// and shuts down its own module; only process-wide caches outlive a test.
class KeepPluginsLoaded : public ::testing::Environment {
 public:
  void SetUp() override {
    for (const char* path : {TAV_PERKS_PLUGIN_PATH, TAV_E2E_PLUGIN_PATH}) {
      ASSERT_NE(dlopen(path, RTLD_NOW | RTLD_LOCAL), nullptr) << dlerror();
    }
  }
};

[[maybe_unused]] ::testing::Environment* const kKeepPluginsLoaded =
    ::testing::AddGlobalTestEnvironment(new KeepPluginsLoaded);

TEST(PluginLoadDeathTest, IncompatibleCoreIsRefusedWithTheFatalReport) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  struct Core {
    uint32_t major, minor, patch;
    const char* text;
  };
  for (const Core& c : {Core{17, 9, 9, "17\\.9\\.9"}, Core{19, 0, 0, "19\\.0\\.0"}}) {
    SCOPED_TRACE(c.text);
    EXPECT_DEATH(
        {
          DevCore core;
          core.Load(TAV_PERKS_PLUGIN_PATH, c.major, c.minor, c.patch);
        },
        std::string("Expression: ALE-EECF0606.*Description: tav-perks which supports plugin API "
                    "18\\.0\\.0 is not compatible with core's plugin API ") +
            c.text);
  }
}

// The end-to-end test plugin loaded and initialised. Every test ends by
// shutting it down and checking that the core saw no fault at the boundary.
class E2ePluginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(core_.Load(TAV_E2E_PLUGIN_PATH)) << core_.load_error();
    ASSERT_TRUE(core_.Initialize());
  }

  void TearDown() override {
    core_.Shutdown();
    EXPECT_THAT(core_.faults(), ::testing::IsEmpty());
  }

  DevCore core_;
};

TEST_F(E2ePluginTest, BindsEveryPartOfTheRequest) {
  const char* url = "/e2e/v1/echo/12?flag&ids.1=7&ids.0=5&label=two+words%21&limit=3";
  CallResult result =
      core_.Call(TAV_METHOD_POST, url,
                 CallOptions()
                     .Header("trace", "abc-123")
                     .Body(R"({"name":"Birch","count":2,"tags":["light"]})", "application/json"));
  ASSERT_TRUE(result.ok()) << result.Summary();
  EXPECT_EQ(result.ValueJson(), std::string(R"(["12","true","5 7 ","two words!","abc-123","3",)") +
                                    R"("Birch 2 light","POST",")" + url + "\"]");
}

// The same arguments as the plugin's OpenAPI document gives them: each
// where it binds, a value read as JSON text where it is a list or structure.
TEST_F(E2ePluginTest, ItsDocumentPlacesEachArgumentWhereItBinds) {
  const rapidjson::Document document =
      JsonValue(OpenApiDocument(core_.library(), "http://127.0.0.1:1"));
  const rapidjson::Value& echo = document["paths"]["/e2e/v1/echo/{id}"]["post"];
  std::vector<std::string> parameters;
  for (const auto& parameter : echo["parameters"].GetArray()) {
    const std::string form =
        parameter.HasMember("content")
            ? "json " + JsonText(parameter["content"]["application/json"]["schema"])
            : JsonText(parameter["schema"]);
    parameters.push_back(std::string(parameter["name"].GetString()) + " " +
                         parameter["in"].GetString() +
                         (parameter["required"].GetBool() ? " required " : " ") + form);
  }
  const std::string int32 =
      R"({"type":"integer","format":"int32","minimum":-2147483648,"maximum":2147483647})";
  const std::string int32_list = R"(json {"type":"array","items":)" + int32 + "}";
  EXPECT_THAT(parameters,
              ElementsAre("id path required " + int32, R"(flag query {"type":"boolean"})",
                          "ids query " + int32_list, "ids header " + int32_list,
                          R"(label query {"type":"string"})", R"(label header {"type":"string"})",
                          R"(trace header {"type":"string"})", "limit query " + int32));
  EXPECT_EQ(JsonText(echo["requestBody"]["content"]["application/x-yaml"]["schema"]),
            R"({"$ref":"#/components/schemas/TavE2eCrate"})");
  EXPECT_FALSE(echo["requestBody"]["required"].GetBool());
  const rapidjson::Value& crates = document["paths"]["/e2e/v1/crates"]["get"];
  EXPECT_EQ(JsonText(crates["parameters"][0]),
            R"({"name":"count","in":"query","required":true,"schema":)" + int32 + "}");
  EXPECT_EQ(JsonText(crates["responses"]["200"]["content"]["application/json"]["schema"]),
            R"({"type":"array","items":{"$ref":"#/components/schemas/TavE2eCrate"}})");
}

TEST_F(E2ePluginTest, BadArgumentsAndValuesAreRefusedWithTheirMessage) {
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
       CallOptions()
           .Positional("1")
           .Positional("true")
           .Positional("[]")
           .Positional("\"l\"")
           .Positional("\"t\"")
           .Positional("2")
           .Positional("{}")
           .Positional("0"),
       "Unknown argument '7' for 'PostE2eV1EchoById'."},
      {"/e2e/v1/echo/5?id=6",
       {},
       "Argument 'id' for 'PostE2eV1EchoById' was specified in an invalid location."},
      {"/e2e/v1/echo/5?trace=x",
       {},
       "Argument 'trace' for 'PostE2eV1EchoById' was specified in an invalid location."},
      {"/e2e/v1/echo/5?crate.name=Elm",
       {},
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
      {"/e2e/v1/echo/twelve", {}, "Value twelve for 'id' of type int32 is in an incorrect format"},
      {"/e2e/v1/echo/5?flag=maybe",
       {},
       "Value maybe for 'flag' of type bool is in an incorrect format. "
       "Options are \"true\", \"false\", \"1\", \"0\"."},
      {"/e2e/v1/echo/5?ids.x1=4",
       {},
       "Couldn't assign value to 'ids' of type vector because the input not a collection."},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.url);
    CallResult result = core_.Call(TAV_METHOD_POST, c.url, std::move(c.options));
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.error, c.error);
  }
}

TEST_F(E2ePluginTest, BadBodiesAreRefusedWithTheirMessage) {
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
    CallResult result =
        core_.Call(TAV_METHOD_PUT, "/e2e/v1/crate", CallOptions().Body(c.body, c.type));
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

TEST_F(E2ePluginTest, FailuresCarryStatusTextsHeadersAndAStreamedBody) {
  CallResult result = core_.Get("/e2e/v1/refusal");
  EXPECT_EQ(result.status, 418u);
  EXPECT_EQ(result.error, "Teapot refuses");
  EXPECT_EQ(result.additional_text, "steeping");
  EXPECT_THAT(result.headers, ElementsAre(::testing::Pair("Retry-After", "5"),
                                          ::testing::Pair("X-Brew", "oolong")));
  EXPECT_TRUE(result.streamed);
  EXPECT_EQ(result.stream_size, 32u);
  EXPECT_EQ(result.body, "the long story of a refused brew");
  EXPECT_EQ(result.stream_reads, 5u);  // pieces of at most 7 bytes
}

TEST_F(E2ePluginTest, HeapCountersFollowThePluginsAllocationsOnly) {
  // A first call fills what the plugin keeps between calls.
  ASSERT_TRUE(core_.Get("/e2e/v1/crates?count=200").ok());
  const MemoryStatistics before = core_.GetMemoryStatistics();
  EXPECT_EQ(before.reserved0, 0u);
  EXPECT_EQ(before.reserved1, 0u);

  // The host's own allocations do not show.
  auto host_block = std::make_unique<std::vector<char>>(1 << 20, 'x');
  const MemoryStatistics unchanged = core_.GetMemoryStatistics();
  EXPECT_EQ(unchanged.allocation_count, before.allocation_count);
  EXPECT_EQ(unchanged.total_bytes_allocated, before.total_bytes_allocated);

  // A call that builds 200 structures does.
  ASSERT_TRUE(core_.Get("/e2e/v1/crates?count=200").ok());
  const MemoryStatistics after = core_.GetMemoryStatistics();
  EXPECT_GE(after.allocation_count - before.allocation_count, 200u);
  EXPECT_GE(after.total_bytes_allocated - before.total_bytes_allocated, 200u * 40u);
  EXPECT_GE(after.peak_bytes, before.peak_bytes);

  // Whatever an answer holds is freed once the core has released it.
  for (const char* url :
       {"/e2e/v1/crates?count=200", "/e2e/v1/refusal", "/e2e/v1/crates?count=x"}) {
    SCOPED_TRACE(url);
    const MemoryStatistics start = core_.GetMemoryStatistics();
    core_.Get(url);
    const MemoryStatistics end = core_.GetMemoryStatistics();
    EXPECT_GT(end.allocation_count, start.allocation_count);
    EXPECT_EQ(end.free_count - start.free_count, end.allocation_count - start.allocation_count);
    EXPECT_EQ(end.total_bytes_freed - start.total_bytes_freed,
              end.total_bytes_allocated - start.total_bytes_allocated);
  }
}

// Each index of a key chain may ask for 65536 elements: what a request's
// chains create together is bounded by its size, so a 6 KB query is refused
// before it costs more than a few megabytes.
TEST_F(E2ePluginTest, KeyChainsCreateNoMoreThanTheRequestsSizeAllows) {
  std::string deep_url = "/e2e/v1/echo/5?";
  for (const char* first : {"ids.65535", "&ids.65534"}) {
    deep_url += first;
    for (int key = 1; key < 500; ++key) deep_url += ".65535";
    deep_url += "=1";
  }
  const MemoryStatistics start = core_.GetMemoryStatistics();
  EXPECT_EQ(core_.Call(TAV_METHOD_POST, deep_url).error,
            "Key chains of argument 'ids' for 'PostE2eV1EchoById' create more than 131072 values.");
  const MemoryStatistics end = core_.GetMemoryStatistics();
  EXPECT_LT(end.total_bytes_allocated - start.total_bytes_allocated, 8u << 20);
  // A short request may still reach the highest index.
  const CallResult widest = core_.Call(TAV_METHOD_POST, "/e2e/v1/echo/5?ids.65535=4");
  EXPECT_EQ(widest.ok() ? widest.value[2].GetStringLength() : 0u, 2u * 65536);
}

}  // namespace
}  // namespace tav::host
