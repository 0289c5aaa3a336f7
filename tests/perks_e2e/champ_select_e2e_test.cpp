// Champion select as the real plugin follows it through the gameflow and
// champion-select sessions: which page is pushed when, what is reported
// when the game refuses, and the platform switch that turns pushing off.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "perks_e2e_fixture.h"

namespace tav::host {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::MatchesRegex;
using ::testing::SizeIs;

constexpr uint64_t kSummoner = 5150;
constexpr const char* kGaleSetting =
    R"({"perkIds":[7101,7104,7107,7110,7204,7208],"perkStyle":710,"perkSubStyle":720})";
constexpr const char* kBastionPresetSetting =
    R"({"perkIds":[7201,7204,7207,7210,7104,7108],"perkStyle":720,"perkSubStyle":710})";
constexpr const char* kVerdantPresetSetting =
    R"({"perkIds":[7301,7304,7307,7310,7104,7108],"perkStyle":730,"perkSubStyle":710})";

std::string ChampSelectJson(int champion, const char* phase) {
  return R"({"localPlayerCellId":3,"myTeam":[{"cellId":0,"championId":107},{"cellId":3,"championId":)" +
         std::to_string(champion) + R"(}],"timer":{"phase":")" + phase + R"("}})";
}

std::string GameflowJson(const char* phase, bool custom = false) {
  return std::string(R"({"phase":")") + phase + R"(","gameData":{"queue":{"id":450},"isCustomGame":)" +
         (custom ? "true" : "false") + R"(,"gameId":77001}})";
}

class ChampSelectTest : public PerksE2eTest {
 protected:
  // Logged in at `level` with one stored page, "Gale", current.
  void StartLoggedIn(int level) {
    ServeSampleGameData();
    ServeGameService();
    Serve(kLoginDataPacket, R"({"platformId":"EU1"})");
    Serve(RuneBookPath(kSummoner), RuneBookJson(kSummoner, 2));
    Serve(kCurrentSummoner, R"({"summonerLevel":)" + std::to_string(level) + "}");
    Serve(kPageSettings, StoredDocumentJson("[]", R"({"eu1":{"currentPageId":1001,"pages":[)" +
                                                      StoredPageJson(1001, "Gale", 710, 720, kTempestPerks, 0) +
                                                      "]}}"));
    Serve(kSettingsReady, "true");
    Start();
    Signal(kLoginSession, LoginSessionJson("SUCCEEDED", kSummoner, 4242));
    ASSERT_EQ(Call(TAV_METHOD_GET, "/tav-perks/v1/currentpage").value["id"].GetInt(), 1001);
    Forget();
  }
  int ActivePage() {
    const CallResult pages = Call(TAV_METHOD_GET, "/tav-perks/v1/pages");
    for (const auto& page : pages.value.GetArray()) {
      if (page["isActive"].GetBool()) return page["id"].GetInt();
    }
    return 0;
  }
};

TEST_F(ChampSelectTest, BelowLevelEightTheChampionsPresetIsPushedFromTheFinalPhaseOn) {
  StartLoggedIn(5);
  // No champion yet on entry: no page suits and nothing is pushed.
  Signal(kGameflowSession, GameflowJson("ChampSelect"));
  EXPECT_THAT(PushedContents(), IsEmpty());
  EXPECT_THAT(LogMessages(1),
              ElementsAre("Could not find any valid preset champion rune pages to use for champ_id: 0"));

  Signal(kChampSelectSession, ChampSelectJson(128, "PLANNING"));
  Signal(kChampSelectSession, ChampSelectJson(114, "BAN_PICK"));
  EXPECT_THAT(PushedContents(), IsEmpty());

  // The final phase pushes the champion chosen by then, once.
  Signal(kChampSelectSession, ChampSelectJson(114, "FINALIZATION"));
  Signal(kChampSelectSession, ChampSelectJson(114, "FINALIZATION"));
  EXPECT_THAT(PushedContents(), ElementsAre(kBastionPresetSetting));
  EXPECT_EQ(ActivePage(), 51);

  // Every later change pushes again.
  Signal(kChampSelectSession, ChampSelectJson(128, "FINALIZATION"));
  EXPECT_THAT(PushedContents(), ElementsAre(kBastionPresetSetting, kVerdantPresetSetting));
  EXPECT_EQ(Call(TAV_METHOD_GET, "/tav-perks/v1/currentpage").value["id"].GetInt(), 52);
  EXPECT_EQ(ActivePage(), 52);
  // A session without the local player changes nothing.
  Signal(kChampSelectSession, R"({"localPlayerCellId":9,"myTeam":[{"cellId":3,"championId":107}],)"
                              R"("timer":{"phase":"FINALIZATION"}})");
  EXPECT_THAT(PushedContents(), SizeIs(2));
  EXPECT_THAT(core_.telemetry(), IsEmpty());
}

TEST_F(ChampSelectTest, FourRefusedPushesAreReportedAgainWhenChampionSelectEnds) {
  StartLoggedIn(30);
  AnswerPushesWith({{"", "504", "Gateway timeout"},
                    {R"({"error":"LOCKED","result":""})", "200", ""},
                    {"", "503", "Edge down"},
                    {R"({"error":"THROTTLED","result":""})", "200", ""}});
  // A custom game pushes and reports queue 0.
  Signal(kGameflowSession, GameflowJson("ChampSelect", true));
  ASSERT_THAT(PushedContents(), ElementsAre(kGaleSetting, kGaleSetting, kGaleSetting, kGaleSetting));
  EXPECT_EQ(JsonValue(core_.service_proxy().calls().back().payload)[0]["queueType"].GetInt(), 0);
  EXPECT_EQ(ActivePage(), 0);
  ASSERT_THAT(core_.telemetry(), SizeIs(1));
  const std::map<std::string, std::string> retries = core_.telemetry()[0].fields;
  EXPECT_EQ(retries.at("event_name"), "perks_champselect_platform_retries_occurred");
  EXPECT_EQ(retries.at("attempt_count"), "4");
  EXPECT_EQ(retries.at("game_id"), "77001");
  EXPECT_EQ(retries.at("queue_id"), "0");
  const std::string pushed = R"(\[\{"perkIds":\[7101,7104,7107,7110,7204,7208\],)"
                             R"("perkStyle":710,"perkSubStyle":720\}\])";
  EXPECT_THAT(retries.at("error_messages"),
              MatchesRegex(pushed + R"(GameCustomizationEdgeResponseError \(Elapsed [0-9]+ms\): Gateway timeout\|)" +
                           pushed + R"(GameCustomizationServiceResultError \(Elapsed [0-9]+ms\): LOCKED\|)" +
                           pushed + R"(GameCustomizationEdgeResponseError \(Elapsed [0-9]+ms\): Edge down\|)" +
                           pushed + R"(GameCustomizationServiceResultError \(Elapsed [0-9]+ms\): THROTTLED)"));

  // The gameflow session goes away: the event's values are the reset ones.
  Forget();
  Withdraw(kGameflowSession);
  ASSERT_THAT(core_.telemetry(), SizeIs(1));
  const TelemetryPost& noperks = core_.telemetry()[0];
  EXPECT_EQ(noperks.table, "bkt_perks__event");
  EXPECT_EQ(noperks.fields, (std::map<std::string, std::string>{
                                {"event_name", "perks_champselect_noperks"},
                                {"error_messages", retries.at("error_messages")},
                                {"game_id", "0"},
                                {"queue_id", "-1"}}));
  ASSERT_THAT(SettingsWrites(), SizeIs(1));
  EXPECT_EQ(JsonValue(SettingsWrites()[0])["data"]["perShardPerkBooks"]["eu1"]["currentPageId"].GetInt(), 1001);

  // The next champion select starts with no errors of the last one.
  AnswerPushesWith({});
  Signal(kGameflowSession, GameflowJson("ChampSelect"));
  Signal(kGameflowSession, GameflowJson("InProgress"));
  EXPECT_THAT(core_.telemetry(), SizeIs(1));
}

TEST_F(ChampSelectTest, PerksDisabledByThePlatformPushNothingUntilEnabledAgain) {
  Serve(kPlatformConfig, R"({"PerksEnabled":false,"AutoRepairPagesEnabled":true})");
  StartLoggedIn(30);
  Signal(kGameflowSession, GameflowJson("ChampSelect"));
  Signal(kChampSelectSession, ChampSelectJson(114, "FINALIZATION"));
  const CallResult set = Call(TAV_METHOD_PUT, "/tav-perks/v1/currentpage", "1001");
  ASSERT_TRUE(set.ok()) << set.Summary();
  EXPECT_THAT(PushedContents(), IsEmpty());
  EXPECT_EQ(ActivePage(), 0);
  // Nothing was accepted, so leaving reports it, with no messages.
  Signal(kGameflowSession, GameflowJson("GameStart"));
  ASSERT_THAT(core_.telemetry(), SizeIs(1));
  EXPECT_EQ(core_.telemetry()[0].fields.at("event_name"), "perks_champselect_noperks");
  EXPECT_EQ(core_.telemetry()[0].fields.at("error_messages"), "");

  // A deleted configuration keeps the switch off.
  Withdraw(kPlatformConfig);
  Signal(kGameflowSession, GameflowJson("ChampSelect"));
  EXPECT_THAT(PushedContents(), IsEmpty());
  Signal(kGameflowSession, GameflowJson("Lobby"));

  Signal(kPlatformConfig, R"({"PerksEnabled":true,"AutoRepairPagesEnabled":true})");
  Signal(kGameflowSession, GameflowJson("ChampSelect"));
  EXPECT_THAT(PushedContents(), ElementsAre(kGaleSetting));
  EXPECT_EQ(ActivePage(), 1001);
  // Further updates of the same phase are not a new entry.
  Signal(kGameflowSession, GameflowJson("ChampSelect", true));
  EXPECT_THAT(PushedContents(), SizeIs(1));
}

TEST_F(ChampSelectTest, SessionsThatDoNotConvertChangeNothing) {
  StartLoggedIn(30);
  Signal(kGameflowSession, R"({"phase":"Somewhere","gameData":7})");
  Signal(kGameflowSession, "[]");
  EXPECT_THAT(PushedContents(), IsEmpty());
  Signal(kGameflowSession, GameflowJson("ChampSelect"));
  ASSERT_THAT(PushedContents(), SizeIs(1));
  Signal(kChampSelectSession, R"({"myTeam":"nobody","timer":{"phase":"FINALIZATION"}})");
  Signal(kCurrentSummoner, R"({"summonerLevel":"high"})");
  EXPECT_THAT(PushedContents(), SizeIs(1));
  EXPECT_EQ(Answer(Call(TAV_METHOD_GET, "/tav-perks/v1/customizationlimits")), "31");
  EXPECT_EQ(ActivePage(), 1001);
}

TEST_F(ChampSelectTest, APushAnsweredAfterChampionSelectEndedCountsForNoLaterOne) {
  StartLoggedIn(30);
  // The player leaves champion select while the first push waits for the
  // game's answer, which then accepts it.
  core_.service_proxy().SetDelayPasses(2);
  core_.service_proxy().SetHandler(kPushKey, [this, calls = 0](const ServiceProxyCall&) mutable {
    if (++calls == 1) core_.SetResource(kGameflowSession, GameflowJson("Lobby"));
    return calls == 1 ? ServiceProxyAnswer{R"({"error":"OK","result":""})", "200", ""}
                      : ServiceProxyAnswer{"", "504", "Gateway timeout"};
  });
  Signal(kGameflowSession, GameflowJson("ChampSelect"));
  ASSERT_THAT(PushedContents(), SizeIs(1));
  ASSERT_THAT(core_.telemetry(), SizeIs(1));
  EXPECT_EQ(core_.telemetry()[0].fields.at("event_name"), "perks_champselect_noperks");
  // Outside champion select no page is active.
  EXPECT_EQ(ActivePage(), 0);

  // The next champion select, where every push fails, ends with no page
  // accepted, and says so.
  Forget();
  Signal(kGameflowSession, GameflowJson("ChampSelect"));
  EXPECT_THAT(PushedContents(), SizeIs(5));
  Signal(kGameflowSession, GameflowJson("Lobby"));
  ASSERT_THAT(core_.telemetry(), SizeIs(2));
  EXPECT_EQ(core_.telemetry()[0].fields.at("event_name"), "perks_champselect_platform_retries_occurred");
  EXPECT_EQ(core_.telemetry()[1].fields.at("event_name"), "perks_champselect_noperks");
  // Only this champion select's four failures are reported.
  EXPECT_EQ(core_.telemetry()[1].fields.at("error_messages"),
            core_.telemetry()[0].fields.at("error_messages"));
}

}  // namespace
}  // namespace tav::host
