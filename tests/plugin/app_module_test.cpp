// The module base against a fake core: subscriptions, the event callback,
// waiting, and the forwards of the core's operations.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>
#include <stdexcept>
#include <string>

#include "binding/binding_property.h"
#include "binding/core_value.h"
#include "fake_core.h"
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
    ASSERT_TRUE(plugin_.loaded());
    ASSERT_TRUE(plugin_.Initialize(core_));
    core_.registrations.clear();  // the service-proxy events
  }

  TestModule& module() { return plugin_.module(); }

  // A resource event payload in the core's form; owned by the returned
  // holder, released by the test.
  static CoreValue ResourceEventValue(const char* uri, const char* type) {
    BindingProperty event;
    event.MutableField("uri").SetString(uri);
    event.MutableField("eventType").SetString(type);
    event.MutableField("data").MutableField("name").SetString("Ember");
    CoreValue value{};
    ToCoreValue(event, nullptr, &value);
    return value;
  }

  FakeCore core_;
  LoadedPlugin<TestModule> plugin_;
};

TEST_F(AppModuleTest, SubscriptionsRegisterOncePerEventName) {
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
  EXPECT_THAT(core_.unregistrations, ElementsAre("OnJsonApiEvent_tav-perks_v1_pages"));
  module().Unsubscribe("/tav-perks/v1/pages");
  EXPECT_EQ(core_.unregistrations.size(), 1u);

  // Counting starts over: a new Subscribe registers again.
  module().Subscribe("/tav-perks/v1/pages");
  EXPECT_EQ(core_.RegistrationCount("OnJsonApiEvent_tav-perks_v1_pages"), 1u);
}

TEST_F(AppModuleTest, EventsReachTheTypedHandlerOfTheirName) {
  std::vector<std::string> seen;
  module().RegisterTypedEventHandler<PluginResourceEvent>(
      "OnJsonApiEvent_tav-x_v1_y",
      [&](const PluginResourceEvent& event) {
        seen.push_back(event.uri + " " + std::to_string(static_cast<int>(event.eventType)) + " " +
                       std::string(event.data["name"].GetString()));
      },
      0);
  CoreValue payload = ResourceEventValue("/tav-x/v1/y/2", "Delete");
  core_.Deliver("OnJsonApiEvent_tav-x_v1_y", payload);
  ReleaseCoreValue(&payload);
  EXPECT_THAT(seen, ElementsAre("/tav-x/v1/y/2 2 Ember"));
}

TEST_F(AppModuleTest, EventsThatCannotBeReadAreDropped) {
  int calls = 0;
  module().RegisterTypedEventHandler<PluginResourceEvent>(
      "OnX", [&](const PluginResourceEvent&) { ++calls; }, 0);

  CoreValue unknown_type = ResourceEventValue("/x", "Rename");  // no such event type
  core_.Deliver("OnX", unknown_type);
  ReleaseCoreValue(&unknown_type);

  CoreValue bad_kind{};
  bad_kind.kind = 11;
  core_.Deliver("OnX", bad_kind);

  // A null name, a null event and a name the module never registered.
  FakeCore::Registration registration = core_.registrations.back();
  registration.callback(nullptr);
  CoreEvent nameless{nullptr, {}, 0, &module()};
  registration.callback(&nameless);
  CoreEvent stranger{"OnStranger", {}, 0, &module()};
  registration.callback(&stranger);
  EXPECT_EQ(calls, 0);
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
  CoreValue payload = ResourceEventValue("/tav-x/v1/y", "Update");
  core_.Deliver("OnJsonApiEvent_tav-x_v1_y", payload);
  core_.Deliver("OnJsonApiEvent_tav-x_v1_y", payload);  // nobody is registered any more
  ReleaseCoreValue(&payload);
  EXPECT_EQ(calls, 1);
}

TEST_F(AppModuleTest, AHandlerThatThrowsDoesNotReachTheCore) {
  module().RegisterTypedEventHandler<PluginResourceEvent>(
      "OnX", [](const PluginResourceEvent&) { throw std::runtime_error("ember went out"); }, 0);
  CoreValue payload = ResourceEventValue("/x", "Create");
  core_.Deliver("OnX", payload);
  ReleaseCoreValue(&payload);
  ASSERT_FALSE(core_.logs.empty());
  EXPECT_THAT(core_.logs.back().text,
              ::testing::EndsWith("tav-test: exception while handling event OnX: ember went out"));
}

TEST_F(AppModuleTest, FinalizeUnregistersEveryHandlerButKeepsTheCounts) {
  module().Subscribe("/tav-a/v1/b");
  module().RegisterTypedEventHandler<PluginServiceProxyResponse>(
      "OnExtra", [](const PluginServiceProxyResponse&) {}, 1);
  module().Finalize();
  EXPECT_THAT(core_.unregistrations,
              ::testing::UnorderedElementsAre("OnJsonApiEvent_tav-a_v1_b", "OnExtra",
                                              "OnServiceProxyUuidEvent", "OnServiceProxyMethodEvent",
                                              "OnServiceProxyAsyncEvent"));
  // The count survived: this Subscribe is the second and registers nothing.
  module().Subscribe("/tav-a/v1/b");
  EXPECT_EQ(core_.RegistrationCount("OnJsonApiEvent_tav-a_v1_b"), 0u);
}

TEST_F(AppModuleTest, AwaitYieldsUntilTheValueIsSet) {
  std::promise<MaybeType<Failure, test::Thing>> promise;
  core_.on_yield = [&] {
    if (core_.yield_count == 3) promise.set_value(Failure::NotFound("gone"));
  };
  MaybeType<Failure, test::Thing> result = module().Await(promise.get_future());
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.failure().message, "gone");
  EXPECT_THAT(core_.wait_labels, ElementsAre("Wait: future<tav::MaybeType<tav::Failure, tav::test::Thing>>"));
  EXPECT_EQ(core_.yield_count, 3);
  EXPECT_EQ(core_.end_wait_count, 1);
}

// A module that replaces the core's Yield, as a test or another host may.
class CountingModule : public TestModule {
 public:
  void Yield() override { ++yields; }
  int yields = 0;
};

TEST(AppModule, RequestBeforeInitializeAnswersWithoutACore) {
  LoadedPlugin<TestModule> plugin;
  ResponseRecord response;
  std::memset(&response, 0xA5, sizeof(response));
  RequestRecord request = Request(TAV_METHOD_GET, "/tav-x/v1/y");
  plugin.module().Request(&response, &request);
  // Packed fields are copied out before they are compared.
  const uint32_t status = response.status;
  const RecordReleaseFn release = response.record_release;
  EXPECT_EQ(status, 503u);
  EXPECT_STREQ(response.error, "Core not available");
  EXPECT_EQ(response.error_owned, 0u);
  EXPECT_EQ(release, nullptr);
  EXPECT_EQ(plugin.module().EndWait(), 0u);
}

using IntResult = MaybeType<Failure, int>;

TEST(AppModuleDeathTest, AwaitOnAFutureWithoutStateIsFatal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  LoadedPlugin<TestModule> plugin;
  EXPECT_DEATH((void)plugin.module().Await(std::future<IntResult>()),
               "Expression: ALE-6D828C10.*Description: Caught std::future_error in "
               "AppModule::Await: \\(3\\) std::future_error: No associated state");
}

TEST(AppModuleDeathTest, AwaitOnABrokenPromiseIsFatal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  LoadedPlugin<TestModule> plugin;
  EXPECT_DEATH(
      {
        std::future<IntResult> future;
        {
          std::promise<IntResult> promise;
          future = promise.get_future();
        }
        (void)plugin.module().Await(std::move(future));
      },
      "Expression: ALE-6D828C10.*Description: Caught std::future_error in "
      "AppModule::Await: \\(4\\) std::future_error: ");
}

}  // namespace
}  // namespace tav
