// Champion select as the real plugin follows it: which page is pushed when,
// what is reported when the game refuses, and the platform switch.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "perks_e2e_fixture.h"

namespace tav::host {
namespace {

using ::testing::AllOf;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::MatchesRegex;
using ::testing::SizeIs;

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

ServiceProxyAnswer EdgeFailure(const char* text) { return {"", "504", text}; }

class ChampSelectTest : public PerksE2eTest {
 protected:
  // Logged in at `level` with one stored page, "Gale", current.
  void StartWithGale(int level) {
    StoreDocument(StoredDocumentJson(
        "[]", R"({"eu1":{"currentPageId":1001,"pages":[)" +
                  StoredPageJson(1001, "Gale", 710, 720, kTempestPerks, 0) + "]}}"));
    Serve(kSettingsReadyPath, "true");
    PerksE2eTest::StartLoggedIn(5150, 3, level);
    ASSERT_EQ(CurrentPageId(), 1001);
    Forget();
  }
  CallResult SetCurrent(int id) {
    return Call(TAV_METHOD_PUT, "/tav-perks/v1/currentpage", std::to_string(id));
  }
};

TEST_F(ChampSelectTest, BelowLevelEightTheChampionsPresetIsPushedFromTheFinalPhaseOn) {
  StartWithGale(5);
  // Sessions that do not convert change nothing.
  Signal(kGameflowSessionPath, R"({"phase":"Somewhere","gameData":7})");
  Signal(kGameflowSessionPath, "[]");
  // No champion yet on entry: no page suits and nothing is pushed.
  Signal(kGameflowSessionPath, GameflowJson("ChampSelect"));
  EXPECT_THAT(PushedContents(), IsEmpty());
  EXPECT_THAT(LogMessages(1),
              ElementsAre("Could not find any valid preset champion rune pages to use for champ_id: 0"));

  Signal(kChampSelectSessionPath, ChampSelectJson(128, "PLANNING"));
  Signal(kChampSelectSessionPath, ChampSelectJson(114, "BAN_PICK"));
  EXPECT_THAT(PushedContents(), IsEmpty());

  // The final phase pushes the champion chosen by then, once.
  Signal(kChampSelectSessionPath, ChampSelectJson(114, "FINALIZATION"));
  Signal(kChampSelectSessionPath, ChampSelectJson(114, "FINALIZATION"));
  EXPECT_THAT(PushedContents(), ElementsAre(kBastionPresetSetting));
  EXPECT_EQ(ActivePageId(), 51);

  // Every later change pushes again.
  Signal(kChampSelectSessionPath, ChampSelectJson(128, "FINALIZATION"));
  EXPECT_THAT(PushedContents(), ElementsAre(kBastionPresetSetting, kVerdantPresetSetting));
  EXPECT_EQ(CurrentPageId(), 52);
  EXPECT_EQ(ActivePageId(), 52);
  // A session without the local player, a champion of a style without
  // preset, and values that do not convert change nothing.
  Signal(kChampSelectSessionPath,
         R"({"localPlayerCellId":9,"myTeam":[{"cellId":3,"championId":107}],)"
         R"("timer":{"phase":"FINALIZATION"}})");
  Signal(kChampSelectSessionPath, ChampSelectJson(999, "FINALIZATION"));
  Signal(kChampSelectSessionPath, R"({"myTeam":"nobody","timer":{"phase":"FINALIZATION"}})");
  Signal(kCurrentSummonerPath, R"({"summonerLevel":"high"})");
  EXPECT_THAT(PushedContents(), SizeIs(2));
  EXPECT_EQ(ActivePageId(), 52);
  EXPECT_EQ(Get("/tav-perks/v1/customizationlimits"), R"("Locked")");
  EXPECT_THAT(core_.telemetry(), IsEmpty());
}

TEST_F(ChampSelectTest, SettingAndChangingPagesInChampionSelectPushesThem) {
  StartWithGale(30);
  const int invalid = CreatePage("Doubled", 710, 710, kTempestPerks);
  ASSERT_TRUE(SetCurrent(1001).ok());
  Signal(kGameflowSessionPath, GameflowJson("ChampSelect"));
  ASSERT_THAT(PushedContents(), ElementsAre(kTempestSetting));
  Forget();

  // An invalid page becomes current but is never pushed.
  EXPECT_EQ(Answer(SetCurrent(invalid)), "422 Page is invalid and can't be set as active.");
  const CallResult current = Call(TAV_METHOD_GET, "/tav-perks/v1/currentpage");
  EXPECT_EQ(current.value["id"].GetInt(), invalid);
  EXPECT_EQ(JsonText(current.value["isActive"]), "false");
  EXPECT_THAT(Published("/tav-perks/v1/currentpage"), ElementsAre(current.ValueJson()));
  EXPECT_THAT(PushedContents(), SizeIs(1));
  // With an invalid current page the champion's preset is pushed instead.
  Signal(kChampSelectSessionPath, ChampSelectJson(128, "FINALIZATION"));
  EXPECT_THAT(PushedContents(), ElementsAre(kTempestSetting, kVerdantPresetSetting));
  EXPECT_EQ(ActivePageId(), 52);

  // Four refusals: the last one is the answer, and the page accepted last
  // stays active.
  AnswerPushesWith({EdgeFailure("Gateway timeout"), EdgeFailure("Gateway timeout"),
                    EdgeFailure("Gateway timeout"), ServiceResult("LOCKED", "")});
  const CallResult refused = SetCurrent(1001);
  EXPECT_EQ(refused.status, 0u);
  ASSERT_TRUE(refused.error.has_value());
  EXPECT_THAT(*refused.error,
              MatchesRegex(R"(GameCustomizationServiceResultError \(Elapsed [0-9]+ms\): LOCKED)"));
  EXPECT_THAT(PushedContents(), SizeIs(6));
  EXPECT_EQ(CurrentPageId(), 1001);
  EXPECT_EQ(ActivePageId(), 52);

  // Creating, updating and resetting pages push the page each leaves current.
  AnswerPushesWith({});
  const int created = CreatePage("Bulwark", 720, 710, "[7201,7204,7207,7210,7104,7108]");
  EXPECT_EQ(ActivePageId(), created);
  ASSERT_TRUE(Call(TAV_METHOD_PUT, "/tav-perks/v1/pages/1001",
                   R"({"name":"Gale","primaryStyleId":710,"subStyleId":730,)"
                   R"("selectedPerkIds":[7101,7104,7107,7110,7304,7308]})")
                  .ok());
  EXPECT_EQ(ActivePageId(), 1001);
  ASSERT_TRUE(Call(TAV_METHOD_DELETE, "/tav-perks/v1/pages").ok());
  EXPECT_EQ(ActivePageId(), 50);
  const std::vector<std::string> pushed = PushedContents();
  EXPECT_THAT(
      std::vector<std::string>(pushed.begin() + 6, pushed.end()),
      ElementsAre(
          kBastionPresetSetting,
          R"({"perkIds":[7101,7104,7107,7110,7304,7308],"perkStyle":710,"perkSubStyle":730})",
          kTempestSetting));
}

// A push answered after its champion select ended makes no page active, and
// the next champion select reports only its own failures.
TEST_F(ChampSelectTest, APushAnsweredAfterChampionSelectEndedCountsForNoLaterOne) {
  StartWithGale(30);
  // The player leaves champion select while the first push waits for the
  // game's answer, which then accepts it.
  core_.service_proxy().SetDelayPasses(2);
  core_.service_proxy().SetHandler(kPushKey, [this, calls = 0](const ServiceProxyCall&) mutable {
    if (++calls == 1) core_.SetResource(kGameflowSessionPath, GameflowJson("Lobby"));
    return calls == 1 ? ServiceResult("OK", "") : EdgeFailure("Gateway timeout");
  });
  Signal(kGameflowSessionPath, GameflowJson("ChampSelect"));
  ASSERT_THAT(PushedContents(), SizeIs(1));
  ASSERT_THAT(core_.telemetry(), SizeIs(1));
  EXPECT_EQ(core_.telemetry()[0].fields.at("event_name"), "perks_champselect_noperks");
  EXPECT_EQ(ActivePageId(), 0);

  // A custom game, where every push fails: pushed with queue 0, and four
  // attempts reported.
  Forget();
  Signal(kGameflowSessionPath, GameflowJson("ChampSelect", true));
  EXPECT_THAT(PushedContents(), AllOf(SizeIs(5), Each(kTempestSetting)));
  EXPECT_EQ(JsonValue(core_.service_proxy().calls().back().payload)[0]["queueType"].GetInt(), 0);
  ASSERT_THAT(core_.telemetry(), SizeIs(1));
  std::map<std::string, std::string> retries = core_.telemetry()[0].fields;
  const std::string failure = R"(\[\{"perkIds":\[7101,7104,7107,7110,7204,7208\],"perkStyle":710,)"
                              R"("perkSubStyle":720\}\]GameCustomizationEdgeResponseError )"
                              R"(\(Elapsed [0-9]+ms\): Gateway timeout)";
  EXPECT_THAT(retries["error_messages"],
              MatchesRegex(failure + "\\|" + failure + "\\|" + failure + "\\|" + failure));
  const std::string messages = retries["error_messages"];
  retries.erase("error_messages");
  EXPECT_EQ(retries, (std::map<std::string, std::string>{
                         {"attempt_count", "4"},
                         {"event_name", "perks_champselect_platform_retries_occurred"},
                         {"game_id", "77001"},
                         {"queue_id", "0"}}));

  // The gameflow session goes away: the event's values are the reset ones.
  Withdraw(kGameflowSessionPath);
  ASSERT_THAT(core_.telemetry(), SizeIs(2));
  EXPECT_EQ(core_.telemetry()[1].table, "bkt_perks__event");
  EXPECT_EQ(core_.telemetry()[1].fields,
            (std::map<std::string, std::string>{{"error_messages", messages},
                                                {"event_name", "perks_champselect_noperks"},
                                                {"game_id", "0"},
                                                {"queue_id", "-1"}}));
}

TEST_F(ChampSelectTest, PerksDisabledByThePlatformPushNothingUntilEnabledAgain) {
  Serve(kPlatformConfigPath, R"({"PerksEnabled":false,"AutoRepairPagesEnabled":true})");
  StartWithGale(30);
  Signal(kGameflowSessionPath, GameflowJson("ChampSelect"));
  Signal(kChampSelectSessionPath, ChampSelectJson(114, "FINALIZATION"));
  const CallResult set = SetCurrent(1001);
  ASSERT_TRUE(set.ok()) << set.Summary();
  EXPECT_THAT(PushedContents(), IsEmpty());
  EXPECT_EQ(ActivePageId(), 0);
  Signal(kGameflowSessionPath, GameflowJson("GameStart"));
  ASSERT_THAT(core_.telemetry(), SizeIs(1));
  EXPECT_EQ(core_.telemetry()[0].fields.at("event_name"), "perks_champselect_noperks");
  EXPECT_EQ(core_.telemetry()[0].fields.at("error_messages"), "");

  // A deleted configuration keeps the switch off.
  Withdraw(kPlatformConfigPath);
  Signal(kGameflowSessionPath, GameflowJson("ChampSelect"));
  EXPECT_THAT(PushedContents(), IsEmpty());
  Signal(kGameflowSessionPath, GameflowJson("Lobby"));

  Signal(kPlatformConfigPath, R"({"PerksEnabled":true,"AutoRepairPagesEnabled":true})");
  Signal(kGameflowSessionPath, GameflowJson("ChampSelect"));
  EXPECT_THAT(PushedContents(), ElementsAre(kTempestSetting));
  EXPECT_EQ(ActivePageId(), 1001);
  // Further updates of the same phase are not a new entry.
  Signal(kGameflowSessionPath, GameflowJson("ChampSelect", true));
  EXPECT_THAT(PushedContents(), SizeIs(1));
}

}  // namespace
}  // namespace tav::host
