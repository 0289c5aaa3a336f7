// The module base against a fake core: subscriptions, the event callback,
// waiting, and a request made before the core is there.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>
#include <stdexcept>
#include <string>

#include "loaded_plugin.h"
#include "test_module.h"

namespace tav {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using test::TestModule;

class AppModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(plugin_.Initialize(core_));
    core_.registrations.clear();  // the service-proxy events
  }

  TestModule& module() { return plugin_.module(); }

  // Delivers a resource event for `uri` to the handlers of `name`.
  void Deliver(const char* name, const char* uri, const char* type) {
    BindingProperty event;
    event.MutableField("uri").SetString(uri);
    event.MutableField("eventType").SetString(type);
    event.MutableField("data").MutableField("name").SetString("Ember");
    CoreValue value{};
    ToCoreValue(event, nullptr, &value);
    core_.Deliver(name, value);
    ReleaseCoreValue(&value);
  }

  FakeCore core_;
  LoadedPlugin<TestModule> plugin_;
};

TEST_F(AppModuleTest, SubscriptionsRegisterOncePerEventNameAndFinalizeKeepsTheCounts) {
  module().Subscribe("/tav-perks/v1/pages");
  module().Subscribe("/tav-perks/v1/pages/3");
  ASSERT_EQ(core_.registrations.size(), 1u);
  const FakeCore::Registration& registration = core_.registrations[0];
  EXPECT_EQ(registration.name, "OnJsonApiEvent_tav-perks_v1_pages");
  EXPECT_EQ(registration.flag, 0u);
  EXPECT_EQ(registration.host_context, 0x5EEDu);
  EXPECT_EQ(registration.context, &module());

  module().Unsubscribe("/tav-perks/v1/pages/3");
  EXPECT_THAT(core_.unregistrations, IsEmpty());
  module().Unsubscribe("/tav-perks/v1/pages");
  module().Unsubscribe("/tav-perks/v1/pages");
  EXPECT_THAT(core_.unregistrations, ElementsAre("OnJsonApiEvent_tav-perks_v1_pages"));

  // Counting starts over: a new Subscribe registers again. Finalize drops
  // every handler but keeps the count, so the next Subscribe is a second one.
  module().Subscribe("/tav-perks/v1/pages");
  EXPECT_EQ(core_.RegistrationCount("OnJsonApiEvent_tav-perks_v1_pages"), 1u);
  module().RegisterTypedEventHandler<PluginServiceProxyResponse>(
      "OnExtra", [](const PluginServiceProxyResponse&) {}, 1);
  module().Finalize();
  EXPECT_TRUE(core_.registrations.empty());
  module().Subscribe("/tav-perks/v1/pages");
  EXPECT_TRUE(core_.registrations.empty());
}

TEST_F(AppModuleTest, EventsReachTheTypedHandlerOfTheirNameOrAreDropped) {
  std::vector<std::string> seen;
  module().RegisterTypedEventHandler<PluginResourceEvent>(
      "OnX",
      [&](const PluginResourceEvent& event) {
        seen.push_back(event.uri + " " + std::to_string(static_cast<int>(event.eventType)) + " " +
                       std::string(event.data["name"].GetString()));
      },
      0);
  Deliver("OnX", "/tav-x/v1/y/2", "Delete");
  EXPECT_THAT(seen, ElementsAre("/tav-x/v1/y/2 2 Ember"));

  Deliver("OnX", "/x", "Rename");  // no such event type
  CoreValue bad_kind{};
  bad_kind.kind = 11;
  core_.Deliver("OnX", bad_kind);
  // A null event, a null name and a name the module never registered.
  FakeCore::Registration registration = core_.registrations.back();
  registration.callback(nullptr);
  CoreEvent nameless{nullptr, {}, 0, &module()};
  registration.callback(&nameless);
  CoreEvent stranger{"OnStranger", {}, 0, &module()};
  registration.callback(&stranger);
  EXPECT_EQ(seen.size(), 1u);
}

TEST_F(AppModuleTest, AHandlerMayUnsubscribeItselfWhileItRuns) {
  int calls = 0;
  module().Subscribe("/tav-x/v1/y");
  module().RegisterTypedEventHandler<PluginResourceEvent>(
      "OnJsonApiEvent_tav-x_v1_y",
      [&](const PluginResourceEvent&) {
        ++calls;
        module().Unsubscribe("/tav-x/v1/y");
        module().Finalize();
      },
      0);
  Deliver("OnJsonApiEvent_tav-x_v1_y", "/tav-x/v1/y", "Update");
  Deliver("OnJsonApiEvent_tav-x_v1_y", "/tav-x/v1/y", "Update");  // nobody is registered any more
  EXPECT_EQ(calls, 1);
}

TEST_F(AppModuleTest, AHandlerThatThrowsDoesNotReachTheCore) {
  module().RegisterTypedEventHandler<PluginResourceEvent>(
      "OnX", [](const PluginResourceEvent&) { throw std::runtime_error("ember went out"); }, 0);
  Deliver("OnX", "/x", "Create");
  ASSERT_FALSE(core_.logs.empty());
  EXPECT_THAT(core_.logs.back().text,
              ::testing::EndsWith("tav-test: exception while handling event OnX: ember went out"));
}

TEST(AppModule, RequestBeforeInitializeAnswersWithoutACore) {
  LoadedPlugin<TestModule> plugin;
  ResponseRecord response;
  std::memset(&response, 0xA5, sizeof(response));  // the module must reset it
  RequestRecord request = Request(TAV_METHOD_GET, "/tav-x/v1/y");
  plugin.module().Request(&response, &request);
  Answer answer = ReadAnswer(response);
  EXPECT_EQ(answer.status, 503u);
  EXPECT_EQ(answer.error, "Core not available");
  EXPECT_FALSE(answer.error_owned);
}

using IntResult = MaybeType<Failure, int>;

TEST(AppModuleDeathTest, AwaitWithoutAnAnswerToComeIsFatal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  LoadedPlugin<TestModule> plugin;
  EXPECT_DEATH((void)plugin.module().Await(std::future<IntResult>()),
               "Expression: ALE-6D828C10.*Description: Caught std::future_error in "
               "AppModule::Await: \\(3\\) std::future_error: No associated state");
  EXPECT_DEATH(
      {
        std::future<IntResult> future = std::promise<IntResult>().get_future();
        (void)plugin.module().Await(std::move(future));
      },
      "Expression: ALE-6D828C10.*Description: Caught std::future_error in "
      "AppModule::Await: \\(4\\) std::future_error: ");
}

}  // namespace
}  // namespace tav
