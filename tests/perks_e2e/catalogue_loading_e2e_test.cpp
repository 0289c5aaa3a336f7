// The game data catalogue through the development core: the three documents
// read at start, the views served and published, the game customization
// service's narrowing of the styles while logged in, and the
// gameplay-updated perks with their acknowledgement.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "perks_e2e_fixture.h"

namespace tav::host {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

using CatalogueTest = PerksE2eTest;

// A service answer {"error", "result"} as the payload text.
std::string ServiceResult(const std::string& error, const std::string& result) {
  rapidjson::Document answer(rapidjson::kObjectType);
  answer.AddMember("error", rapidjson::Value(error.c_str(), answer.GetAllocator()),
                   answer.GetAllocator());
  answer.AddMember("result", rapidjson::Value(result.c_str(), answer.GetAllocator()),
                   answer.GetAllocator());
  return JsonText(answer);
}

std::vector<int> Ids(const rapidjson::Value& list) {
  std::vector<int> ids;
  for (const auto& element : list.GetArray()) ids.push_back(element["id"].GetInt());
  return ids;
}

TEST_F(CatalogueTest, StartReadsTheDocumentsInOrderAndPublishesBothViews) {
  ServeSampleGameData();
  Start();

  std::vector<std::string> game_data_reads;
  for (const RecordedRequest& request : core_.requests()) {
    if (request.request.path.rfind("/tav-game-data/", 0) == 0) {
      game_data_reads.push_back(request.request.method_name + " " + request.request.path);
    }
  }
  EXPECT_THAT(game_data_reads, ElementsAre("GET /tav-game-data/assets/v1/perks.json",
                                           "GET /tav-game-data/assets/v1/perkstyles.json",
                                           "GET /tav-game-data/assets/v1/championperkstylemap.json"));
  EXPECT_THAT(PublishedUris(), ElementsAre("/tav-perks/v1/perks", "/tav-perks/v1/styles"));

  const CallResult perks = Call(TAV_METHOD_GET, "/tav-perks/v1/perks");
  ASSERT_TRUE(perks.ok()) << perks.Summary();
  ASSERT_EQ(perks.value.Size(), 60u);
  const std::vector<int> perk_ids = Ids(perks.value);
  EXPECT_TRUE(std::is_sorted(perk_ids.begin(), perk_ids.end()));
  EXPECT_EQ(JsonText(perks.value[0]),
            R"({"iconPath":"/tav-game-data/assets/v1/perk-images/tempest/stormcall.png","id":7101,)"
            R"("longDesc":"Stormcall belongs to the Tempest style. It defines how the style plays. )"
            R"(Rank 1 of its slot; values scale with level.","name":"Stormcall",)"
            R"("shortDesc":"Stormcall: a Tempest perk of the keystone slot.",)"
            R"("tooltip":"<b>Stormcall</b><br>Strike hard and fast; reward aggression."})");
  EXPECT_THAT(Published("/tav-perks/v1/perks"), ElementsAre(perks.ValueJson()));

  // Summoner level 0 is not known yet and counts as 17: the advanced style
  // is kept.
  const CallResult styles = Call(TAV_METHOD_GET, "/tav-perks/v1/styles");
  ASSERT_TRUE(styles.ok()) << styles.Summary();
  EXPECT_THAT(Ids(styles.value), ElementsAreArray(kSampleStyleIds));
  EXPECT_FALSE(styles.value[0].HasMember("isAdvanced"));
  EXPECT_FALSE(styles.value[0].HasMember("defaultPerksWhenSplashed"));
  EXPECT_EQ(JsonText(styles.value[0]["slots"][1]),
            R"({"perks":[7104,7105,7106],"slotLabel":"Tempest row 1","type":"kMixedRegularSplashable"})");
  EXPECT_THAT(Published("/tav-perks/v1/styles"), ElementsAre(styles.ValueJson()));
  EXPECT_THAT(LogMessages(2), IsEmpty());
}

TEST_F(CatalogueTest, MissingDocumentsAreLoggedAndTheServiceStillStarts) {
  struct Case {
    const char* missing;
    std::vector<std::string> errors;
  };
  const Case cases[] = {
      {kPerksDocument, {"Could not find /tav-game-data/assets/v1/perks.json"}},
      {kStylesDocument, {"Could not find /tav-game-data/assets/v1/perkstyles.json"}},
      // The champion map fails quietly.
      {kChampionDocument, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.missing);
    DevCore core;
    for (const char* path : {kPerksDocument, kStylesDocument, kChampionDocument}) {
      const char* file = path == kPerksDocument    ? "perks.json"
                         : path == kStylesDocument ? "perkstyles.json"
                                                   : "championperkstylemap.json";
      if (path != c.missing) core.SetResource(path, SampleData(file));
    }
    ASSERT_TRUE(core.Load(TAV_PERKS_PLUGIN_PATH)) << core.load_error();
    EXPECT_TRUE(core.Initialize());
    core.RunUntilIdle();
    std::vector<std::string> errors;
    for (const LogLine& line : core.log()) {
      if (line.level == 2) errors.push_back(line.text.substr(line.text.rfind("| ") + 2));
    }
    EXPECT_EQ(errors, c.errors);
    const CallResult view = core.Get(c.missing == kPerksDocument ? "/tav-perks/v1/perks"
                                                                 : "/tav-perks/v1/styles");
    EXPECT_EQ(view.value.Size(), c.missing == kChampionDocument ? 5u : 0u);
    core.Shutdown();
    EXPECT_THAT(core.faults(), IsEmpty());
  }
}

TEST_F(CatalogueTest, GameServiceFailuresLeaveTheStylesAsRead) {
  struct Case {
    const char* name;
    bool answered;
    ServiceProxyAnswer answer;
    std::string error;
  };
  const Case cases[] = {
      {"unreachable", false, {}, "Could not reach getgamecustomization endpoint: "
                                 "No service-proxy handler for gamecustomization.getgamecustomization"},
      {"refused", true, {"", "503", "Edge timeout"},
       "Could not reach getgamecustomization endpoint: Edge timeout"},
      {"service error", true, {ServiceResult("THROTTLED", "[]"), "200", ""},
       "GameCustomizationService getgamecustomization resultDTO.error THROTTLED"},
      {"not json", true, {ServiceResult("OK", "[{\"id\":710,"), "200", ""},
       "Could not deserialize getgamecustomization perk styles"},
      {"not styles", true, {ServiceResult("OK", "{\"id\":710}"), "200", ""},
       "Could not deserialize getgamecustomization perk styles"},
  };
  ServeSampleGameData();
  StartTestPlugin();
  ASSERT_TRUE(Call(TAV_METHOD_PUT, "/perks-e2e/v1/logged-in", "true").ok());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.answered) {
      const ServiceProxyAnswer answer = c.answer;
      core_.service_proxy().SetHandler("gamecustomization.getgamecustomization",
                                       [answer](const ServiceProxyCall&) { return answer; });
    }
    Forget();
    EXPECT_EQ(Answer(Call(TAV_METHOD_POST, "/perks-e2e/v1/load-styles")), "true");
    EXPECT_THAT(LogMessages(2), ElementsAre(c.error));
    const CallResult styles = Call(TAV_METHOD_GET, "/tav-perks/v1/styles");
    EXPECT_THAT(Ids(styles.value), ElementsAreArray(kSampleStyleIds));
    EXPECT_THAT(Published("/tav-perks/v1/styles"), ElementsAre(styles.ValueJson()));
  }
}

TEST_F(CatalogueTest, TheGameServiceNarrowsStylesAndSlotsWhileLoggedIn) {
  ServeSampleGameData();
  StartTestPlugin();
  // Not logged in: the service is not asked.
  EXPECT_EQ(Answer(Call(TAV_METHOD_POST, "/perks-e2e/v1/load-styles")), "true");
  EXPECT_THAT(core_.service_proxy().calls(), IsEmpty());

  // 710 keeps two slots (the first keeps its label, the second's label is
  // carried over by position), 730 is kept as it is, 999 is unknown here.
  const std::string returned =
      R"([{"id":710,"slots":[{"type":"kKeyStone","perks":[7102,7777]},)"
      R"({"type":"kMixedRegularSplashable","perks":[7105],"slotLabel":"ignored"}]},)"
      R"({"id":999,"slots":[]},{"id":730,"slots":[]}])";
  core_.service_proxy().SetHandler("gamecustomization.getgamecustomization",
                                   [&](const ServiceProxyCall&) {
                                     return ServiceProxyAnswer{ServiceResult("OK", returned), "200", ""};
                                   });
  ASSERT_TRUE(Call(TAV_METHOD_PUT, "/perks-e2e/v1/logged-in", "true").ok());
  EXPECT_EQ(Answer(Call(TAV_METHOD_POST, "/perks-e2e/v1/load-styles")), "true");

  ASSERT_EQ(core_.service_proxy().calls().size(), 1u);
  EXPECT_EQ(core_.service_proxy().calls()[0].payload, R"(["perks"])");
  const CallResult styles = Call(TAV_METHOD_GET, "/tav-perks/v1/styles");
  EXPECT_THAT(Ids(styles.value), ElementsAre(710, 730));
  // 7777 is no perk of the game data, so the view leaves it out.
  EXPECT_EQ(JsonText(styles.value[0]["slots"]),
            R"([{"perks":[7102],"slotLabel":"Keystone","type":"kKeyStone"},)"
            R"({"perks":[7105],"slotLabel":"Tempest row 1","type":"kMixedRegularSplashable"}])");
  EXPECT_EQ(styles.value[1]["slots"].Size(), 0u);
  EXPECT_THAT(LogMessages(2), IsEmpty());

  // The preset pages still follow the styles document.
  ASSERT_TRUE(Call(TAV_METHOD_DELETE, "/tav-perks/v1/pages").ok());
  EXPECT_EQ(Call(TAV_METHOD_GET, "/tav-perks/v1/pages").value.Size(), 5u);
}

TEST_F(CatalogueTest, AcknowledgingGameplayUpdatesSavesAndPublishesOnlyChanges) {
  ServeSampleGameData();
  ServeNoStoredSettings();
  Start();
  // The sample's latest version that counts is 14.3b ("14.3.1" and "V10" do
  // not count; 14.3b outranks 14.3).
  EXPECT_EQ(Answer(Call(TAV_METHOD_GET, "/tav-perks/v1/perks/gameplay-updated")), "[7311,7508]");

  Forget();
  CallResult ack = Call(TAV_METHOD_PUT, "/tav-perks/v1/perks/ack-gameplay-updated", "[7102,7508,7508]");
  EXPECT_TRUE(ack.ok()) << ack.Summary();
  EXPECT_TRUE(ack.value.IsNull());
  EXPECT_THAT(Published("/tav-perks/v1/perks/gameplay-updated"), ElementsAre("[7311]"));
  ASSERT_EQ(SettingsWrites().size(), 1u);
  rapidjson::Document written = JsonValue(SettingsWrites()[0]);
  EXPECT_EQ(JsonText(written["data"]["settings"]["gameplayUpdatedPerksSeen"]), "[7508]");
  EXPECT_EQ(Answer(Call(TAV_METHOD_GET, "/tav-perks/v1/perks/gameplay-updated")), "[7311]");

  // Nothing new to acknowledge: a success with no write and no event.
  Forget();
  ack = Call(TAV_METHOD_PUT, "/tav-perks/v1/perks/ack-gameplay-updated", "[7508,7102]");
  EXPECT_TRUE(ack.ok()) << ack.Summary();
  EXPECT_THAT(SettingsWrites(), IsEmpty());
  EXPECT_THAT(core_.sent_events(), IsEmpty());
}

}  // namespace
}  // namespace tav::host
