// A player's session as the real plugin lives it through the development
// core: the settings plugin becomes ready, the player logs in, enters
// champion select, plays it through to the final phase with a champion
// change and a flaky game service, leaves it and logs out. Each step checks
// what was published and what the settings plugin holds.
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

constexpr uint64_t kSummoner = 2468;
constexpr uint64_t kAccount = 1357;
constexpr const char* kWallPerks = "[7201,7204,7207,7210,7104,7108]";
constexpr const char* kDisabledMessages = "/vexa-messaging-service/v1/message/perks/v1/disabled/eu1";

std::string ChampSelectJson(int local_cell, int champion, const char* phase) {
  return R"({"localPlayerCellId":)" + std::to_string(local_cell) +
         R"(,"myTeam":[{"cellId":1,"championId":114},{"cellId":)" + std::to_string(local_cell) +
         R"(,"championId":)" + std::to_string(champion) + R"(}],"timer":{"phase":")" + phase +
         R"("}})";
}

std::string GameflowJson(const char* phase) {
  return std::string(R"({"phase":")") + phase +
         R"(","gameData":{"queue":{"id":420},"isCustomGame":false,"gameId":9000000042}})";
}

class SignalsSessionTest : public PerksE2eTest {
 protected:
  void SetUp() override {
    ServeSampleGameData();
    ServeGameService("[7412]");
    Serve(kLoginDataPacketPath, R"({"platformId":"EU1","region":"EUW"})");
    Serve(RuneBookPath(kSummoner), RuneBookJson(kSummoner, 3));
    Serve(kCurrentSummonerPath, R"({"summonerLevel":30})");
  }
};

TEST_F(SignalsSessionTest, FromSettingsReadyToLogout) {
  const std::string legacy =
      StoredPageJson(12, "Old layout", 730, 710, "[7301,7304,7307,7310,7104,7108]", 0);
  const std::string gale = StoredPageJson(1001, "Gale", 710, 720, kTempestPerks, 0, true);
  const std::string wall = StoredPageJson(1002, "Wall", 720, 710, kWallPerks, 1);
  const std::string far_away =
      StoredPageJson(31, "Far away", 740, 710, "[7401,7404,7407,7410,7104,7108]", 0, true);
  const std::string na2_book = R"({"currentPageId":31,"pages":[)" + far_away + "]}";
  const std::string stored =
      StoredDocumentJson("[" + legacy + "]", R"({"eu1":{"currentPageId":1001,"pages":[)" + gale +
                                                 "," + wall + R"(]},"na2":)" + na2_book + "}");
  StoreDocument(stored);
  ReportSettingsWrites();

  // Start: the game data loads; nothing stored is read before the settings
  // plugin is ready.
  Start();
  EXPECT_EQ(Reads(kPageSettingsPath), 0u);
  EXPECT_THAT(ServedPageIds(), IsEmpty());
  Forget();

  // Settings ready, shard not known yet: the shard-less pages load.
  Signal(kSettingsReadyPath, "true");
  EXPECT_EQ(Reads(kPageSettingsPath), 1u);
  EXPECT_THAT(PublishedUris(), ElementsAre("/tav-perks/v1/pages", "/tav-perks/v1/settings",
                                           "/tav-perks/v1/perks/gameplay-updated"));
  EXPECT_THAT(PageIds(Published("/tav-perks/v1/pages")[0]), ElementsAre(12, 54, 53, 52, 51, 50));
  EXPECT_EQ(Published("/tav-perks/v1/settings")[0],
            R"({"gameplayPatchVersionSeen":"14.3b","gameplayUpdatedPerksSeen":[7311],)"
            R"("gridModeEnabled":true,"showLongDescriptions":false,"showPresetPages":true})");
  EXPECT_THAT(Published("/tav-perks/v1/perks/gameplay-updated"), ElementsAre("[7508]"));
  EXPECT_THAT(SettingsWrites(), IsEmpty());
  EXPECT_TRUE(core_.IsRegistered("OnJsonApiEvent_tav-settings_v2_PerksPreferences"));
  EXPECT_THAT(LogMessages(2), IsEmpty());
  // The document is read only the first time the settings plugin is ready.
  Signal(kSettingsReadyPath, "false");
  Signal(kSettingsReadyPath, "true");
  EXPECT_EQ(Reads(kPageSettingsPath), 1u);
  Forget();

  // Login: the shard's book replaces the shard-less pages; the owned count,
  // the limits and the disabled perks arrive; nothing is written.
  Signal(kLoginSessionPath, LoginSessionJson("SUCCEEDED", kSummoner, kAccount));
  EXPECT_EQ(Reads(kLoginDataPacketPath), 1u);
  EXPECT_EQ(Reads(RuneBookPath(kSummoner)), 2u);
  for (const char* name :
       {"OnJsonApiEvent_vexa-messaging-service_v1_message", "OnJsonApiEvent_tav-champ-select_v1_session",
        "OnJsonApiEvent_tav-collections_v1_inventories", "OnJsonApiEvent_tav-summoner_v1_current-summoner"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(core_.IsRegistered(name));
  }
  EXPECT_EQ(Reads(kDisabledMessages), 1u);
  EXPECT_THAT(ServedPageIds(), ElementsAre(1001, 1002, 54, 53, 52, 51, 50));
  EXPECT_EQ(CurrentPageId(), 1001);
  EXPECT_THAT(Published("/tav-perks/v1/inventory"), ElementsAre(R"({"ownedPageCount":3})"));
  EXPECT_THAT(Published("/tav-perks/v1/customizationlimits"), ElementsAre("31"));
  EXPECT_THAT(Published("/tav-perks/v1/perks/disabled"), ElementsAre("[7412]"));
  EXPECT_EQ(Get("/tav-perks/v1/perks/disabled"), "[7412]");
  EXPECT_THAT(SettingsWrites(), IsEmpty());
  EXPECT_THAT(LogMessages(2), IsEmpty());
  Forget();

  // Pages are served with the current page marked.
  const CallResult pages = Call(TAV_METHOD_GET, "/tav-perks/v1/pages");
  ASSERT_TRUE(pages.ok()) << pages.Summary();
  EXPECT_EQ(JsonText(pages.value[0]["current"]), "true");
  EXPECT_EQ(JsonText(pages.value[1]["current"]), "false");

  // Entering champion select pushes the current page at once.
  Signal(kGameflowSessionPath, GameflowJson("ChampSelect"));
  ASSERT_THAT(PushedContents(), ElementsAre(kTempestSetting));
  EXPECT_EQ(JsonValue(core_.service_proxy().calls().back().payload)[0]["queueType"].GetInt(), 420);
  ASSERT_THAT(Published("/tav-perks/v1/currentpage"), SizeIs(1));
  EXPECT_EQ(JsonText(JsonValue(Published("/tav-perks/v1/currentpage")[0])["isActive"]), "true");
  Forget();

  // A champion pick before the final phase pushes nothing; disabled perks
  // reported now wait for the end of champion select.
  Signal(kChampSelectSessionPath, ChampSelectJson(2, 107, "BAN_PICK"));
  Signal(kDisabledMessages, R"({"resource":"perks/v1/disabled/eu1","service":"perks",)"
                            R"("version":"1.0","timestamp":1700000000,"payload":"[7303]"})");
  EXPECT_THAT(PushedContents(), SizeIs(1));
  EXPECT_THAT(core_.sent_events(), IsEmpty());
  EXPECT_EQ(Get("/tav-perks/v1/perks/disabled"), "[7412]");

  // The final phase pushes once.
  Signal(kChampSelectSessionPath, ChampSelectJson(2, 107, "FINALIZATION"));
  EXPECT_THAT(PushedContents(), SizeIs(2));
  EXPECT_THAT(core_.telemetry(), IsEmpty());

  // A later champion change pushes again: three failures, then success.
  AnswerPushesWith({{"", "504", "Gateway timeout"},
                    {R"({"error":"LOCKED","result":""})", "200", ""},
                    {"", "504", "Gateway timeout"}});
  Forget();
  Signal(kChampSelectSessionPath, ChampSelectJson(2, 121, "FINALIZATION"));
  EXPECT_THAT(PushedContents(), SizeIs(6));
  ASSERT_THAT(core_.telemetry(), SizeIs(1));
  const TelemetryPost& retries = core_.telemetry()[0];
  EXPECT_EQ(retries.table, "bkt_perks__event");
  ASSERT_THAT(retries.fields, SizeIs(5));
  EXPECT_EQ(retries.fields.at("event_name"), "perks_champselect_platform_retries_occurred");
  EXPECT_EQ(retries.fields.at("attempt_count"), "4");
  EXPECT_EQ(retries.fields.at("game_id"), "9000000042");
  EXPECT_EQ(retries.fields.at("queue_id"), "420");
  const std::string pushed = R"(\[\{"perkIds":\[7101,7104,7107,7110,7204,7208\],)"
                             R"("perkStyle":710,"perkSubStyle":720\}\])";
  EXPECT_THAT(retries.fields.at("error_messages"),
              MatchesRegex(pushed + R"(GameCustomizationEdgeResponseError \(Elapsed [0-9]+ms\): Gateway timeout\|)" +
                           pushed + R"(GameCustomizationServiceResultError \(Elapsed [0-9]+ms\): LOCKED\|)" +
                           pushed + R"(GameCustomizationEdgeResponseError \(Elapsed [0-9]+ms\): Gateway timeout)"));
  EXPECT_EQ(JsonText(Call(TAV_METHOD_GET, "/tav-perks/v1/currentpage").value["isActive"]), "true");
  Forget();

  // Leaving: a page was accepted, so no telemetry; the waiting disabled
  // perks apply; the book is saved once, and its report changes nothing.
  Signal(kGameflowSessionPath, GameflowJson("GameStart"));
  EXPECT_THAT(core_.telemetry(), IsEmpty());
  EXPECT_THAT(PublishedUris(), ElementsAre("/tav-perks/v1/perks/disabled", "/tav-perks/v1/pages"));
  EXPECT_THAT(Published("/tav-perks/v1/perks/disabled"), ElementsAre("[7303]"));
  ASSERT_THAT(SettingsWrites(), SizeIs(1));
  const rapidjson::Document written = JsonValue(SettingsWrites()[0]);
  EXPECT_EQ(written["schemaVersion"].GetInt(), 5);
  EXPECT_EQ(JsonText(written["data"]["pages"]), "[" + legacy + "]");
  EXPECT_EQ(JsonText(written["data"]["perShardPerkBooks"]["na2"]), na2_book);
  EXPECT_EQ(JsonText(written["data"]["perShardPerkBooks"]["eu1"]),
            R"({"currentPageId":1001,"pages":[)" + gale + "," + wall + "]}");
  EXPECT_EQ(JsonText(written["data"]["settings"]), JsonText(JsonValue(stored)["data"]["settings"]));
  EXPECT_EQ(JsonText(StoredDocument()), SettingsWrites()[0]);
  EXPECT_THAT(ServedPageIds(), ElementsAre(1001, 1002, 54, 53, 52, 51, 50));
  Forget();

  // Logout drops the four login subscriptions, and only those; the book
  // stays in memory and nothing more is pushed or written.
  const size_t pushes = PushedContents().size();
  Withdraw(kLoginSessionPath);
  std::vector<std::string> dropped;
  for (const RegistrationCall& call : core_.registration_calls()) {
    if (!call.is_register) dropped.push_back(call.name);
  }
  EXPECT_THAT(dropped, ::testing::UnorderedElementsAre(
                           "OnJsonApiEvent_vexa-messaging-service_v1_message",
                           "OnJsonApiEvent_tav-champ-select_v1_session",
                           "OnJsonApiEvent_tav-collections_v1_inventories",
                           "OnJsonApiEvent_tav-summoner_v1_current-summoner"));
  for (const char* name : {"OnJsonApiEvent_tav-login_v1_session", "OnJsonApiEvent_tav-gameflow_v1_session",
                           "OnJsonApiEvent_tav-player-preferences_v1_player-preferences-ready",
                           "OnJsonApiEvent_tav-platform-config_v1_namespaces_Perks",
                           "OnJsonApiEvent_tav-settings_v2_ready",
                           "OnJsonApiEvent_tav-settings_v2_PerksPreferences"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(core_.IsRegistered(name));
  }
  Signal(kGameflowSessionPath, GameflowJson("ChampSelect"));
  Signal(kChampSelectSessionPath, ChampSelectJson(2, 128, "FINALIZATION"));
  Signal(RuneBookPath(kSummoner), RuneBookJson(kSummoner, 1));
  EXPECT_EQ(Get("/tav-perks/v1/inventory"), R"({"ownedPageCount":3})");
  // Entering champion select while logged out still pushes the current
  // page (the gameflow is followed for the module's whole life) ...
  EXPECT_THAT(PushedContents(), SizeIs(pushes + 1));
  // ... but the champion-select session is no longer followed.
  EXPECT_THAT(ServedPageIds(), ElementsAre(1001, 1002, 54, 53, 52, 51, 50));
  EXPECT_THAT(SettingsWrites(), IsEmpty());
  EXPECT_THAT(LogMessages(2), IsEmpty());
}

}  // namespace
}  // namespace tav::host
