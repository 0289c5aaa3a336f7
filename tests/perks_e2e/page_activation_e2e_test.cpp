// Setting the current page in champion select: the page is refused when
// invalid, pushed to the game customization service with up to four
// attempts, made active on success, and failed attempts are reported by
// telemetry.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "perks_e2e_fixture.h"

namespace tav::host {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::MatchesRegex;
using ::testing::SizeIs;

constexpr const char* kPushKey = "gamecustomization.setgamecustomization";
// The PerkSettingResource of a Tempest page with kTempestPerks, as pushed.
constexpr const char* kTempestSetting =
    R"({"perkIds":[7101,7104,7107,7110,7204,7208],"perkStyle":710,"perkSubStyle":720})";

ServiceProxyAnswer Accepted() { return {R"({"error":"OK","result":""})", "200", ""}; }
ServiceProxyAnswer EdgeFailure() { return {"", "504", "Gateway timeout"}; }
ServiceProxyAnswer ServiceFailure() { return {R"({"error":"LOCKED","result":""})", "200", ""}; }

class ActivationTest : public PerksE2eTest {
 protected:
  void SetUp() override {
    ServeSampleGameData();
    ServeNoStoredSettings();
    StartTestPlugin();
    page_ = CreatePage("Gale", 710, 720, kTempestPerks);
    ASSERT_NE(page_, 0);
  }

  void EnterChampSelect(int queue_id = 420, const char* game_id = "9000000001") {
    ASSERT_TRUE(Call(TAV_METHOD_PUT, "/perks-e2e/v1/champ-select",
                     R"({"inChampSelect":true,"queueId":)" + std::to_string(queue_id) +
                         R"(,"gameId":)" + game_id + "}")
                    .ok());
  }

  // The service answers in turn with `answers`, then accepts.
  void AnswerPushesWith(std::vector<ServiceProxyAnswer> answers) {
    core_.service_proxy().SetHandler(kPushKey, [answers, next = size_t{0}](
                                                   const ServiceProxyCall&) mutable {
      return next < answers.size() ? answers[next++] : Accepted();
    });
  }

  CallResult SetCurrent(int id) {
    return Call(TAV_METHOD_PUT, "/tav-perks/v1/currentpage", std::to_string(id));
  }

  rapidjson::Document State() { return JsonValue(Call(TAV_METHOD_GET, "/perks-e2e/v1/state").ValueJson()); }

  // The "content" of each push, in order, from the `first` service-proxy
  // call on.
  std::vector<std::string> PushedContents(size_t first = 0) {
    std::vector<std::string> contents;
    const auto& calls = core_.service_proxy().calls();
    for (size_t i = first; i < calls.size(); ++i) {
      const ServiceProxyCall& call = calls[i];
      if (call.service + "." + call.method != kPushKey) continue;
      rapidjson::Document payload = JsonValue(call.payload);
      contents.push_back(payload[0]["content"].GetString());
    }
    return contents;
  }

  int page_ = 0;
};

TEST_F(ActivationTest, AnInvalidPageIsCurrentButNeverPushed) {
  AnswerPushesWith({});
  const int invalid = CreatePage("Doubled", 710, 710, kTempestPerks);
  EnterChampSelect();
  Forget();
  EXPECT_EQ(Answer(SetCurrent(invalid)), "422 Page is invalid and can't be set as active.");
  const CallResult current = Call(TAV_METHOD_GET, "/tav-perks/v1/currentpage");
  EXPECT_EQ(current.value["id"].GetInt(), invalid);
  EXPECT_EQ(JsonText(current.value["isActive"]), "false");
  EXPECT_THAT(Published("/tav-perks/v1/currentpage"), ElementsAre(current.ValueJson()));
  EXPECT_THAT(core_.service_proxy().calls(), IsEmpty());
  EXPECT_EQ(State()["activePageId"].GetInt(), 0);
}

TEST_F(ActivationTest, ThreeFailuresThenSuccessMakeFourAttempts) {
  AnswerPushesWith({EdgeFailure(), ServiceFailure(), EdgeFailure()});
  EnterChampSelect(420, "9000000001");
  Forget();
  const CallResult set = SetCurrent(page_);
  ASSERT_TRUE(set.ok()) << set.Summary();
  EXPECT_THAT(PushedContents(), ElementsAre(kTempestSetting, kTempestSetting, kTempestSetting,
                                            kTempestSetting));
  EXPECT_EQ(State()["activePageId"].GetInt(), page_);

  ASSERT_THAT(core_.telemetry(), SizeIs(1));
  const TelemetryPost& post = core_.telemetry()[0];
  EXPECT_EQ(post.table, "bkt_perks__event");
  ASSERT_THAT(post.fields, SizeIs(5));
  EXPECT_EQ(post.fields.at("event_name"), "perks_champselect_platform_retries_occurred");
  EXPECT_EQ(post.fields.at("attempt_count"), "4");
  EXPECT_EQ(post.fields.at("game_id"), "9000000001");
  EXPECT_EQ(post.fields.at("queue_id"), "420");
  const std::string pushed = std::string("\\[") + R"(\{"perkIds":\[7101,7104,7107,7110,7204,7208\],)"
                             R"("perkStyle":710,"perkSubStyle":720\})" + "\\]";
  EXPECT_THAT(post.fields.at("error_messages"),
              MatchesRegex(pushed + R"(GameCustomizationEdgeResponseError \(Elapsed [0-9]+ms\): Gateway timeout\|)" +
                           pushed + R"(GameCustomizationServiceResultError \(Elapsed [0-9]+ms\): LOCKED\|)" +
                           pushed + R"(GameCustomizationEdgeResponseError \(Elapsed [0-9]+ms\): Gateway timeout)"));
  EXPECT_EQ(State()["champSelectErrors"].Size(), 3u);
}

TEST_F(ActivationTest, FourFailuresGiveTheLastFailureAndNoActivePage) {
  AnswerPushesWith({EdgeFailure(), EdgeFailure(), EdgeFailure(), ServiceFailure()});
  // A custom game pushes with queue 0; the queue id is reported signed.
  EnterChampSelect(-1, "0");
  Forget();
  const CallResult set = SetCurrent(page_);
  ASSERT_FALSE(set.ok());
  EXPECT_EQ(set.status, 0u);
  EXPECT_THAT(*set.error, MatchesRegex(R"(GameCustomizationServiceResultError \(Elapsed [0-9]+ms\): LOCKED)"));
  EXPECT_THAT(PushedContents(), SizeIs(4));
  EXPECT_EQ(State()["activePageId"].GetInt(), 0);
  EXPECT_EQ(JsonText(Call(TAV_METHOD_GET, "/tav-perks/v1/currentpage").value["current"]), "true");
  ASSERT_THAT(core_.telemetry(), SizeIs(1));
  EXPECT_EQ(core_.telemetry()[0].fields.at("attempt_count"), "4");
  EXPECT_EQ(core_.telemetry()[0].fields.at("queue_id"), "-1");
  EXPECT_EQ(core_.telemetry()[0].fields.at("game_id"), "0");
  EXPECT_EQ(State()["champSelectErrors"].Size(), 4u);
  rapidjson::Document push = JsonValue(core_.service_proxy().calls()[0].payload);
  EXPECT_EQ(push[0]["queueType"].GetInt(), -1);
}

TEST_F(ActivationTest, PageChangesInChampionSelectPushTheChangedPage) {
  AnswerPushesWith({});
  EnterChampSelect();
  const int created = CreatePage("Bulwark", 720, 710, "[7201,7204,7207,7210,7104,7108]");
  EXPECT_EQ(State()["activePageId"].GetInt(), created);
  ASSERT_TRUE(Call(TAV_METHOD_PUT, "/tav-perks/v1/pages/" + std::to_string(page_),
                   R"({"name":"Gale","primaryStyleId":710,"subStyleId":730,)"
                   R"("selectedPerkIds":[7101,7104,7107,7110,7304,7308]})")
                  .ok());
  EXPECT_EQ(State()["activePageId"].GetInt(), page_);
  ASSERT_TRUE(Call(TAV_METHOD_DELETE, "/tav-perks/v1/pages").ok());
  EXPECT_EQ(State()["activePageId"].GetInt(), 50);
  EXPECT_THAT(PushedContents(),
              ElementsAre(R"({"perkIds":[7201,7204,7207,7210,7104,7108],"perkStyle":720,"perkSubStyle":710})",
                          R"({"perkIds":[7101,7104,7107,7110,7304,7308],"perkStyle":710,"perkSubStyle":730})",
                          kTempestSetting));
}

}  // namespace
}  // namespace tav::host
