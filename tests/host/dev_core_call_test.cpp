// Calls from the development core into the plugin: routing, the request
// record the plugin sees, reading and releasing the plugin's answers.
#include <thread>

#include "fake_plugin_fixture.h"

namespace tav::host {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

using DevCoreCall = FakePluginTest;

TEST_F(DevCoreCall, RoutesByMethodAndTemplate) {
  const struct {
    uint32_t method;
    const char* url;
    const char* function;  // "" when no function may be called
  } cases[] = {
      {TAV_METHOD_GET, "/fake/v1/items", "ListItems"},
      {TAV_METHOD_GET, "/fake/v1/items/12", "GetItem"},
      // Both GetItem and GetSpecial match; the literal one captures less.
      {TAV_METHOD_GET, "/fake/v1/items/special", "GetSpecial"},
      {TAV_METHOD_GET, "/fake/v1/items/12/x", ""},
      {TAV_METHOD_GET, "/fake/v1/items/12?fields=name/id", "GetItem"},
      {TAV_METHOD_GET, "/fake/v1/files/a/b/c.json", "GetFile"},
      {TAV_METHOD_PUT, "/fake/v1/items/12", "PutItem"},
      {TAV_METHOD_DELETE, "/fake/v1/items/12", ""},
      {TAV_METHOD_PATCH, "/fake/v1/echo", "Echo"},
      {TAV_METHOD_GET, "/fake/v1/echo?x=1", "Echo"},
      {TAV_METHOD_GET, "/other/v1/items", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(RequestMethodName(c.method)) + " " + c.url);
    CallResult result = core_.Call(c.method, c.url);
    if (*c.function == '\0') {
      EXPECT_FALSE(result.routed);
      EXPECT_EQ(result.Summary(), "404 Invalid function");
      continue;
    }
    EXPECT_EQ(result.function_name, c.function);
    // The plugin names the function from the dispatch context it was given,
    // so this also checks that the context of the chosen record was passed.
    EXPECT_EQ(Field(result, "function"), "\"" + std::string(c.function) + "\"") << result.ValueJson();
  }
  EXPECT_THAT(core_.faults(), IsEmpty());
}

TEST_F(DevCoreCall, PluginSeesTheWholeRequest) {
  CallResult result =
      core_.Call(TAV_METHOD_POST, "/fake/v1/echo?x=1",
                 CallOptions()
                     .Arg("page", R"({"id":7,"perks":[8100,8112],"name":"Dawn","ok":true})")
                     .Positional("-5")
                     .ArgText("note", "a\"b"));
  ASSERT_TRUE(result.ok()) << result.Summary();
  EXPECT_EQ(Field(result, "method"), "6");
  EXPECT_EQ(Field(result, "hostContext"), std::to_string(kDefaultHostContext));
  EXPECT_EQ(
      Field(result, "args"),
      R"([{"name":"page","kind":10,"value":{"id":7,"perks":[8100,8112],"name":"Dawn","ok":true}},)"
      R"({"name":null,"kind":2,"value":-5},{"name":"note","kind":6,"value":"a\"b"}])");
  EXPECT_EQ(Field(result, "methodName"), "null");
  EXPECT_THAT(result.headers, ElementsAre(std::make_pair(std::string("X-Fake"), std::string("echo"))));
  EXPECT_EQ(result.flag, 1);
  EXPECT_EQ(result.kind, 2u);
  EXPECT_EQ(result.additional_text, "extra");
}

TEST_F(DevCoreCall, FaultyAnswersAreReportedNotTrusted) {
  const struct {
    const char* which;
    const char* fault;  // "" when the answer is sound
  } cases[] = {
      {"null-text", "bad value: null text at value"},
      {"bad-kind", "bad value: unknown kind 42 at value"},
      {"null-array", "bad value: null array of 3 at value"},
      {"null-key", "bad value: null key at value{0}"},
      {"null-header", "null text in header 0"},
      {"kind-code", "kind code 9"},
      {"no-release", "response holds allocations but has no release operation"},
      {"stream-no-release", "stream without a release operation"},
      {"null-error", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.which);
    core_.ClearRecords();
    CallResult result = core_.Get(std::string("/fake/v1/garbage/") + c.which);
    if (*c.fault == '\0') {
      EXPECT_THAT(result.faults, IsEmpty());
      EXPECT_THAT(core_.faults(), IsEmpty());
      continue;
    }
    EXPECT_THAT(result.faults, ElementsAre(c.fault));
    ASSERT_EQ(core_.faults().size(), 1u);
    EXPECT_EQ(core_.faults()[0], "answer of Garbage to GET /fake/v1/garbage/" + std::string(c.which) + ": " + c.fault);
  }
  // A failure status without an error text is a success by the record.
  CallResult odd = core_.Get("/fake/v1/garbage/null-error");
  EXPECT_TRUE(odd.ok());
  EXPECT_EQ(odd.status, 500u);
}

TEST_F(DevCoreCall, PluginEnteredOffTheCoreThreadIsAFault) {
  std::thread other([&] { core_.Call(TAV_METHOD_POST, "/fake/v1/actions/log", CallOptions().Arg("level", "1").ArgText("text", "x")); });
  other.join();
  EXPECT_THAT(core_.faults(), ElementsAre("Log called off the core thread"));
}

TEST(DevCoreLoad, FailuresSayWhyAndShutdownWithoutInitialize) {
  {
    DevCore core;
    EXPECT_FALSE(core.Load("/nonexistent/libnothing.so"));
    EXPECT_THAT(core.load_error(), HasSubstr("cannot open /nonexistent/libnothing.so: "));
    EXPECT_FALSE(core.Initialize());
    EXPECT_EQ(core.Call(TAV_METHOD_GET, "/fake/v1/items").Summary(), "503 Plugin not loaded");
  }
  {
    DevCore core;
    EXPECT_FALSE(core.Load("libm.so.6"));
    EXPECT_EQ(core.load_error(), "libm.so.6 does not export load_tav_perks");
  }
  {
    DevCore core;  // the fake plugin refuses any major version but 18
    EXPECT_FALSE(core.Load(TAV_FAKE_PLUGIN_PATH, 17, 9, 9));
    EXPECT_EQ(core.load_error(), "load_tav_perks gave no entry table");
  }
  {
    DevCore core;  // loaded, never initialised: Shutdown still frees the module
    ASSERT_TRUE(core.Load(TAV_FAKE_PLUGIN_PATH));
    core.Shutdown();
    EXPECT_FALSE(core.plugin_alive());
    EXPECT_EQ(core.Get("/fake/v1/items").Summary(), "503 Plugin not loaded");
  }
}

}  // namespace
}  // namespace tav::host
