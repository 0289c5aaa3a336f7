// Resource observation through the development core.
#include "calls_e2e_fixture.h"

namespace tav::host {
namespace {

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

}  // namespace
}  // namespace tav::host
