// The game data catalogue through the development core: the three documents
// read at start, the views served and published, the game customization
// service's narrowing of the styles at login, the interface settings and the
// gameplay-updated perks with their acknowledgement.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "perks_e2e_fixture.h"

namespace tav::host {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

using CatalogueTest = PerksE2eTest;

constexpr uint64_t kSummoner = 6060;

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
  ASSERT_EQ(perks.value.Size(), 60u);
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
  EXPECT_THAT(PageIds(styles.value), ElementsAre(710, 720, 730, 740, 750));
  EXPECT_THAT(Published("/tav-perks/v1/styles"), ElementsAre(styles.ValueJson()));
}

TEST_F(CatalogueTest, MissingDocumentsAreLoggedAndTheServiceStillStarts) {
  struct Case {
    const char* missing;
    std::vector<std::string> errors;
    const char* view;
    size_t view_size;
  };
  const Case cases[] = {
      {perks::kPerksDocumentPath,
       {"Could not find /tav-game-data/assets/v1/perks.json"},
       "/tav-perks/v1/perks",
       0},
      {perks::kStylesDocumentPath,
       {"Could not find /tav-game-data/assets/v1/perkstyles.json"},
       "/tav-perks/v1/styles",
       0},
      // The champion map fails quietly.
      {perks::kChampionMapDocumentPath, {}, "/tav-perks/v1/styles", 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.missing);
    DevCore core;
    const std::pair<const char*, const char*> documents[] = {
        {perks::kPerksDocumentPath, "perks.json"},
        {perks::kStylesDocumentPath, "perkstyles.json"},
        {perks::kChampionMapDocumentPath, "championperkstylemap.json"}};
    for (const auto& [path, file] : documents) {
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
    EXPECT_EQ(core.Get(c.view).value.Size(), c.view_size);
    core.Shutdown();
    EXPECT_THAT(core.faults(), IsEmpty());
  }
}

TEST_F(CatalogueTest, TheGameServiceNarrowsTheStylesAtLoginAndItsFailuresLeaveThemAsRead) {
  StartLoggedIn(kSummoner);
  const CallResult sample_styles = Call(TAV_METHOD_GET, "/tav-perks/v1/styles");
  EXPECT_THAT(PageIds(sample_styles.value), ElementsAre(710, 720, 730, 740, 750));
  struct Case {
    const char* name;
    ServiceProxyAnswer answer;
    std::string error;
  };
  const Case failures[] = {
      {"refused",
       {"", "503", "Edge timeout"},
       "Could not reach getgamecustomization endpoint: Edge timeout"},
      {"service error", ServiceResult("THROTTLED", "[]"),
       "GameCustomizationService getgamecustomization resultDTO.error THROTTLED"},
      {"not json", ServiceResult("OK", "[{\"id\":710,"),
       "Could not deserialize getgamecustomization perk styles"},
      {"not styles", ServiceResult("OK", "{\"id\":710}"),
       "Could not deserialize getgamecustomization perk styles"},
  };
  for (const Case& c : failures) {
    SCOPED_TRACE(c.name);
    AnswerServiceWith(kStyleQueryKey, c.answer);
    Withdraw(kLoginSessionPath);
    Forget();
    Signal(kLoginSessionPath, LoginSessionJson("SUCCEEDED", kSummoner, 1));
    EXPECT_THAT(LogMessages(2), ElementsAre(c.error));
    EXPECT_THAT(Published("/tav-perks/v1/styles"), ElementsAre(sample_styles.ValueJson()));
  }

  // 710 keeps two slots (the first keeps its label, the second's label is
  // carried over by position), 730 is kept as it is, 999 is unknown here.
  AnswerServiceWith(
      kStyleQueryKey,
      ServiceResult("OK",
                    R"([{"id":710,"slots":[{"type":"kKeyStone","perks":[7102,7777]},)"
                    R"({"type":"kMixedRegularSplashable","perks":[7105],"slotLabel":"ignored"}]},)"
                    R"({"id":999,"slots":[]},{"id":730,"slots":[]}])"));
  Withdraw(kLoginSessionPath);
  Forget();
  Signal(kLoginSessionPath, LoginSessionJson("SUCCEEDED", kSummoner, 1));
  std::vector<std::string> style_queries;
  for (const ServiceProxyCall& call : core_.service_proxy().calls()) {
    if (call.service + "." + call.method == kStyleQueryKey) style_queries.push_back(call.payload);
  }
  EXPECT_THAT(style_queries, Each(R"(["perks"])"));
  const CallResult styles = Call(TAV_METHOD_GET, "/tav-perks/v1/styles");
  EXPECT_THAT(PageIds(styles.value), ElementsAre(710, 730));
  // 7777 is no perk of the game data, so the view leaves it out.
  EXPECT_EQ(JsonText(styles.value[0]["slots"]),
            R"([{"perks":[7102],"slotLabel":"Keystone","type":"kKeyStone"},)"
            R"({"perks":[7105],"slotLabel":"Tempest row 1","type":"kMixedRegularSplashable"}])");
  EXPECT_EQ(styles.value[1]["slots"].Size(), 0u);
  EXPECT_THAT(LogMessages(2), IsEmpty());
  // The preset pages still follow the styles document.
  ASSERT_TRUE(Call(TAV_METHOD_DELETE, "/tav-perks/v1/pages").ok());
  EXPECT_THAT(ServedPageIds(), ElementsAre(54, 53, 52, 51, 50));
}

TEST_F(CatalogueTest, InterfaceSettingsAndGameplayUpdatesAreSavedAndPublished) {
  ServeSampleGameData();
  ServeNoStoredSettings();
  Start();
  // The sample's latest version that counts is 14.3b ("14.3.1" and "V10" do
  // not count; 14.3b outranks 14.3).
  EXPECT_EQ(Get("/tav-perks/v1/perks/gameplay-updated"), "[7311,7508]");
  Forget();
  const std::string replaced =
      R"({"gameplayPatchVersionSeen":"14.3b","gameplayUpdatedPerksSeen":[7311],"gridModeEnabled":true,)"
      R"("showLongDescriptions":false,"showPresetPages":false})";
  const CallResult put = Call(TAV_METHOD_PUT, "/tav-perks/v1/settings", replaced);
  ASSERT_TRUE(put.ok()) << put.Summary();
  EXPECT_TRUE(put.value.IsNull());
  EXPECT_EQ(Get("/tav-perks/v1/settings"), replaced);
  EXPECT_THAT(Published("/tav-perks/v1/settings"), ElementsAre(replaced));
  ASSERT_EQ(SettingsWrites().size(), 1u);
  EXPECT_EQ(JsonText(JsonValue(SettingsWrites()[0])["data"]["settings"]), replaced);
  // Seen perks count against the unseen list.
  EXPECT_EQ(Get("/tav-perks/v1/perks/gameplay-updated"), "[7508]");

  Forget();
  CallResult ack = Call(TAV_METHOD_PUT, "/tav-perks/v1/perks/ack-gameplay-updated", "[7102,7508,7508]");
  EXPECT_TRUE(ack.ok()) << ack.Summary();
  EXPECT_TRUE(ack.value.IsNull());
  EXPECT_THAT(Published("/tav-perks/v1/perks/gameplay-updated"), ElementsAre("[]"));
  ASSERT_EQ(SettingsWrites().size(), 1u);
  EXPECT_EQ(
      JsonText(JsonValue(SettingsWrites()[0])["data"]["settings"]["gameplayUpdatedPerksSeen"]),
      "[7311,7508]");
  // Nothing new to acknowledge: a success with no write and no event.
  Forget();
  ack = Call(TAV_METHOD_PUT, "/tav-perks/v1/perks/ack-gameplay-updated", "[7508,7102]");
  EXPECT_TRUE(ack.ok()) << ack.Summary();
  EXPECT_THAT(SettingsWrites(), IsEmpty());
  EXPECT_THAT(core_.sent_events(), IsEmpty());
}

}  // namespace
}  // namespace tav::host
