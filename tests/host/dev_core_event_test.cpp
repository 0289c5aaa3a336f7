// Events between the development core and the plugin: what the plugin sends,
// what the core delivers (resource events above all), registrations, waits.
#include "fake_plugin_fixture.h"

namespace tav::host {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;

using DevCoreEvent = FakePluginTest;

TEST_F(DevCoreEvent, SentEventIsRecordedAndDeliveredInALaterPass) {
  Action("register", CallOptions().ArgText("name", "OnFakeChanged").Arg("flag", "0"));
  Action("send-event", CallOptions()
                           .ArgText("name", "OnFakeChanged")
                           .Arg("payload", R"({"id":3,"tags":["a","b"],"nested":{"x":null}})")
                           .Arg("flag", "4"));
  ASSERT_EQ(core_.sent_events().size(), 1u);
  const SentEvent& sent = core_.sent_events()[0];
  EXPECT_EQ(sent.name, "OnFakeChanged");
  EXPECT_EQ(JsonText(sent.payload), R"({"id":3,"tags":["a","b"],"nested":{"x":null}})");
  EXPECT_EQ(sent.flag, 4u);
  // Not delivered inside SendEvent: the plugin is not re-entered from its own call.
  EXPECT_EQ(Received(), "[]");
  core_.RunUntilIdle();
  EXPECT_EQ(Received(), R"([{"name":"OnFakeChanged","payload":{"id":3,"tags":["a","b"],"nested":{"x":null}},)"
                        R"("flag":4,"contextOk":true}])");
  EXPECT_THAT(core_.faults(), IsEmpty());
}

TEST_F(DevCoreEvent, ResourceChangesReachBothEventNames) {
  Action("register", CallOptions().ArgText("name", "OnJsonApiEvent_tav-settings_v2_ready"));
  Action("register", CallOptions().ArgText("name", "OnJsonApiEvent"));
  Action("register", CallOptions().ArgText("name", "OnJsonApiEvent_tav-settings_v2_other"));
  core_.SetResource("/tav-settings/v2/ready", "true");
  core_.RunUntilIdle();
  std::vector<std::string> delivered;
  for (const DeliveredEvent& event : core_.delivered_events()) {
    delivered.push_back(event.name + " " + JsonText(event.payload));
  }
  EXPECT_THAT(
      delivered,
      ElementsAre(
          R"(OnJsonApiEvent_tav-settings_v2_ready {"uri":"/tav-settings/v2/ready","eventType":"Create","data":true})",
          R"(OnJsonApiEvent {"uri":"/tav-settings/v2/ready","eventType":"Create","data":true})"));
}

TEST_F(DevCoreEvent, NoDeliveryAfterUnregistration) {
  Action("register", CallOptions().ArgText("name", "OnJsonApiEvent_x"));
  core_.SetResource("/x", "1");  // queued, not yet delivered
  Action("unregister", CallOptions().ArgText("name", "OnJsonApiEvent_x"));
  core_.RunUntilIdle();
  EXPECT_EQ(Received(), "[]");
  EXPECT_FALSE(core_.IsRegistered("OnJsonApiEvent_x"));
  Action("unregister", CallOptions().ArgText("name", "OnJsonApiEvent_x"));
  EXPECT_THAT(core_.faults(), ElementsAre("UnregisterEventHandler OnJsonApiEvent_x without a registration"));
}

TEST_F(DevCoreEvent, RegistrationsLeftAtShutdownAreFaults) {
  Action("register", CallOptions().ArgText("name", "OnJsonApiEvent_y"));
  Action("forget", CallOptions().ArgText("name", "OnJsonApiEvent_y"));
  core_.Shutdown();
  EXPECT_THAT(core_.faults(), ElementsAre("registration of OnJsonApiEvent_y still present after Shutdown"));
  EXPECT_THAT(core_.registrations(), IsEmpty());
  // Deliveries queued for a plugin that is gone are dropped.
  core_.DeliverEvent("OnJsonApiEvent_y", JsonValue("1"));
  core_.RunUntilIdle();
  EXPECT_THAT(core_.delivered_events(), IsEmpty());
}

TEST_F(DevCoreEvent, WithRecordingOffNothingIsKeptYetTheListenersHearEverything) {
  core_.SetRecording(false);
  core_.ClearRecords();  // the registrations of Initialize
  std::vector<std::string> heard;
  core_.AddSentEventListener([&](const SentEvent& event) { heard.push_back(event.name + " " + JsonText(event.payload)); });
  core_.AddLogListener([&](const LogLine& line) { heard.push_back("log " + line.text); });
  core_.AddFaultListener([&](const std::string& fault) { heard.push_back("fault " + fault); });
  Action("register", CallOptions().ArgText("name", "OnFakeChanged"));
  Action("send-event", CallOptions().ArgText("name", "OnFakeChanged").Arg("payload", "3"));
  Action("log", CallOptions().Arg("level", "1").ArgText("text", "kept nowhere"));
  Action("wait", CallOptions().Arg("count", "2"));
  PluginRequest(TAV_METHOD_GET, "/tav-settings/v2/ready");
  Action("unregister", CallOptions().ArgText("name", "OnNothing"));
  (void)core_.service_proxy().HandleUuidRequest(PeerRequest{});
  core_.RunUntilIdle();

  EXPECT_THAT(heard, ElementsAre("OnFakeChanged 3", "log kept nowhere",
                                 "fault UnregisterEventHandler OnNothing without a registration"));
  EXPECT_EQ(core_.record_count(), 0u);
  EXPECT_THAT(core_.service_proxy().calls(), IsEmpty());
  // The plugin itself sees no difference.
  EXPECT_THAT(Received(), StartsWith(R"([{"name":"OnFakeChanged","payload":3,"flag":0,"contextOk":true},)"
                                     R"({"name":"OnServiceProxyUuidEvent")"));
}

TEST(DevCoreWaitLimit, RunawayWaitEndsTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        DevCore core;
        core.Load(TAV_FAKE_PLUGIN_PATH);
        core.Initialize();
        core.SetWaitYieldLimit(5);
        core.Call(TAV_METHOD_POST, "/fake/v1/actions/wait", CallOptions().Arg("count", "6"));
      },
      "devcore: the wait \"Wait: count\" did not end after 5 yields");
}

}  // namespace
}  // namespace tav::host
