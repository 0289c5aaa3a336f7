// Observation, published events, telemetry and LCDS through the development
// core.
#include "calls_e2e_fixture.h"

namespace tav::host {
namespace {

using ::testing::ElementsAre;

using EventsE2eTest = CallsE2eTest;

std::string ReportEvents(DevCore& core) {
  CallResult report = core.Get("/calls-e2e/v1/report");
  rapidjson::Document value = JsonValue(report.ValueJson());
  return JsonText(value["events"]);
}

TEST_F(EventsE2eTest, PatternObserverSeesMatchingPathsOnly) {
  core_.resources().SetQuietly("/tav-perks/v1/pages/7", JsonValue(R"({"level": 1})"));
  ASSERT_TRUE(
      core_.Call(TAV_METHOD_POST, "/calls-e2e/v1/watch?path=/tav-perks/v1/pages/*").ok());
  ASSERT_TRUE(core_.Call(TAV_METHOD_POST, "/calls-e2e/v1/watch?path=/tav-perks/v1/pages/7").ok());
  core_.RunUntilIdle();
  core_.ClearRecords();

  core_.SetResource("/tav-perks/v1/pages/7", R"({"level": 2})");
  core_.SetResource("/tav-perks/v1/pages/7/x", R"({"level": 3})");
  core_.SetResource("/tav-perks/v1/pages/", R"({"level": 4})");
  core_.RemoveResource("/tav-perks/v1/pages/7");
  // A peer that leaves out the leading slash still reaches the observers.
  core_.DeliverEvent("OnJsonApiEvent_tav-perks_v1_pages",
                     JsonValue(R"({"uri":"tav-perks/v1/pages/8","eventType":"Update","data":{"level":5}})"));
  core_.RunUntilIdle();
  EXPECT_EQ(ReportEvents(core_),
            "["
            R"("/tav-perks/v1/pages/7 /tav-perks/v1/pages/7 Create 1",)"
            R"("/tav-perks/v1/pages/7 /tav-perks/v1/pages/7 Update 2",)"
            R"("/tav-perks/v1/pages/* /tav-perks/v1/pages/7 Update 2",)"
            R"("/tav-perks/v1/pages/7 /tav-perks/v1/pages/7 Delete 0",)"
            R"("/tav-perks/v1/pages/* /tav-perks/v1/pages/7 Delete 0",)"
            R"("/tav-perks/v1/pages/* /tav-perks/v1/pages/8 Update 5"])");
}

TEST_F(EventsE2eTest, PublishingSendsTheSpecificAndTheBaseEventWithOnePayload) {
  CallResult result = core_.Call(TAV_METHOD_POST, "/calls-e2e/v1/publish?path=/tav-perks/v1/currentpage",
                                 JsonBody(R"({"level": 9, "label": "Heron"})"));
  ASSERT_TRUE(result.ok()) << result.Summary();
  EXPECT_THAT(core_.SentEventNames(),
              ElementsAre("OnJsonApiEvent_tav-perks_v1_currentpage", "OnJsonApiEvent"));
  ASSERT_EQ(core_.sent_events().size(), 2u);
  const std::string payload = JsonText(core_.sent_events()[0].payload);
  EXPECT_EQ(payload,
            R"({"data":{"label":"Heron","level":9},"eventType":"Update","uri":"/tav-perks/v1/currentpage"})");
  EXPECT_EQ(JsonText(core_.sent_events()[1].payload), payload);
}

TEST_F(EventsE2eTest, TelemetryFieldsArriveAsNamedTexts) {
  CallResult result = core_.Call(
      TAV_METHOD_POST, "/calls-e2e/v1/telemetry?table=bkt_calls__event",
      JsonBody(R"({"event": "calls_e2e_probe", "attempts": "3"})"));
  ASSERT_TRUE(result.ok()) << result.Summary();
  ASSERT_EQ(core_.telemetry().size(), 1u);
  EXPECT_EQ(core_.telemetry()[0].table, "bkt_calls__event");
  EXPECT_EQ(core_.telemetry()[0].fields,
            (std::map<std::string, std::string>{{"attempts", "3"}, {"event", "calls_e2e_probe"}}));
}

TEST_F(EventsE2eTest, LcdsArgumentsCarryTheirClassesAndAnswersAreChecked) {
  std::string seen_args;
  std::string answer = R"({"__class":"com.example.treasury.Coin","value":40,"mint":"Quarry"})";
  core_.AddPeer(TAV_METHOD_POST, "/tav-login/v1/session/invoke", [&](const PeerRequest& request) {
    EXPECT_EQ(request.NamedText("destination"), "treasury");
    EXPECT_EQ(request.NamedText("method"), "deposit");
    seen_args = request.NamedText("args").value_or("<none>");
    return PeerResponse::Ok(JsonValue(answer));
  });
  const std::string purse = R"({"owner":"Wren","coins":[{"value":2,"mint":"Ashford"}]})";
  CallResult deposited = core_.Call(TAV_METHOD_POST, "/calls-e2e/v1/deposit", JsonBody(purse));
  ASSERT_TRUE(deposited.ok()) << deposited.Summary();
  EXPECT_EQ(deposited.ValueJson(), R"({"mint":"Quarry","value":40})");
  EXPECT_EQ(seen_args,
            R"([{"__class":"com.example.treasury.Purse","coins":[{"__class":"com.example.treasury.Coin",)"
            R"("mint":"Ashford","value":2}],"owner":"Wren"},3])");

  answer = R"({"__class":"com.example.treasury.Note","value":40})";
  CallResult wrong = core_.Call(TAV_METHOD_POST, "/calls-e2e/v1/deposit", JsonBody(purse));
  EXPECT_EQ(wrong.error,
            "Expected 'com.example.treasury.Coin' as LCDS response for treasury.deposit, but got "
            "'com.example.treasury.Note'");
}

}  // namespace
}  // namespace tav::host
