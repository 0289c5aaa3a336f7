// The perks module as the core sees it: its endpoint table, the types it
// registers, the start, and the status resources it serves and publishes.
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
using ::testing::SizeIs;

using PerksModuleTest = PerksE2eTest;

TEST_F(PerksModuleTest, StartFollowsPlatformConfigurationAndPlayerPreferences) {
  core_.SetResource("/tav-player-preferences/v1/player-preferences-ready", "true");
  ServeSampleGameData();
  Start();
  // The current value is taken at once ...
  EXPECT_EQ(Answer(Call(TAV_METHOD_GET, "/tav-perks/v1/servicesettings")),
            R"({"serverSideStorageAvailable":true})");
  // ... and every change after.
  core_.SetResource("/tav-player-preferences/v1/player-preferences-ready", "false");
  core_.RunUntilIdle();
  EXPECT_EQ(Answer(Call(TAV_METHOD_GET, "/tav-perks/v1/servicesettings")),
            R"({"serverSideStorageAvailable":false})");
  EXPECT_TRUE(core_.IsRegistered("OnJsonApiEvent_tav-platform-config_v1_namespaces_Perks"));
}

TEST_F(PerksModuleTest, InterfaceSettingsAreServedReplacedSavedAndPublished) {
  ServeSampleGameData();
  ServeNoStoredSettings();
  Start();
  EXPECT_EQ(Answer(Call(TAV_METHOD_GET, "/tav-perks/v1/settings")),
            R"({"gameplayPatchVersionSeen":"","gameplayUpdatedPerksSeen":[],"gridModeEnabled":false,)"
            R"("showLongDescriptions":false,"showPresetPages":true})");
  Forget();
  const std::string replaced =
      R"({"gameplayPatchVersionSeen":"14.3b","gameplayUpdatedPerksSeen":[7311],"gridModeEnabled":true,)"
      R"("showLongDescriptions":false,"showPresetPages":false})";
  const CallResult put = Call(TAV_METHOD_PUT, "/tav-perks/v1/settings", replaced);
  ASSERT_TRUE(put.ok()) << put.Summary();
  EXPECT_TRUE(put.value.IsNull());
  EXPECT_EQ(Answer(Call(TAV_METHOD_GET, "/tav-perks/v1/settings")), replaced);
  EXPECT_THAT(Published("/tav-perks/v1/settings"), ElementsAre(replaced));
  ASSERT_THAT(SettingsWrites(), SizeIs(1));
  EXPECT_EQ(JsonText(JsonValue(SettingsWrites()[0])["data"]["settings"]), replaced);
  // Seen perks count against the unseen list.
  EXPECT_EQ(Answer(Call(TAV_METHOD_GET, "/tav-perks/v1/perks/gameplay-updated")), "[7508]");
}

TEST_F(PerksModuleTest, CustomizationLimitsFollowTheSummonerLevel) {
  ServeSampleGameData();
  StartTestPlugin();
  const struct {
    const char* level;
    const char* limits;
  } cases[] = {
      {"0", "31"},  // not known yet: as 17
      {"1", "\"Locked\""},
      {"7", "\"Locked\""},
      {"8", "\"CanSelectPages\""},
      {"12", "3"},
      {"16", "15"},
      {"17", "31"},
      {"4294967295", "31"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.level);
    ASSERT_TRUE(Call(TAV_METHOD_PUT, "/perks-e2e/v1/summoner-level", c.level).ok());
    EXPECT_EQ(Answer(Call(TAV_METHOD_GET, "/tav-perks/v1/customizationlimits")), c.limits);
  }
}

TEST_F(PerksModuleTest, DisabledPerksRevalidateThePagesOutsideChampionSelect) {
  ServeSampleGameData();
  ServeNoStoredSettings();
  StartTestPlugin();
  EXPECT_EQ(Answer(Call(TAV_METHOD_GET, "/tav-perks/v1/perks/disabled")), "[]");

  // With an empty book only the list is published.
  Forget();
  ASSERT_TRUE(Call(TAV_METHOD_PUT, "/perks-e2e/v1/disabled-perks", "[7999]").ok());
  EXPECT_THAT(PublishedUris(), ElementsAre("/tav-perks/v1/perks/disabled"));

  const int tempest = CreatePage("Tempest", 710, 720, kTempestPerks);
  ASSERT_NE(CreatePage("Bastion", 720, 710, "[7201,7204,7207,7210,7104,7108]"), 0);
  ASSERT_TRUE(Call(TAV_METHOD_PUT, "/tav-perks/v1/currentpage", std::to_string(tempest)).ok());

  // In champion select the change waits.
  ASSERT_TRUE(Call(TAV_METHOD_PUT, "/perks-e2e/v1/champ-select",
                   R"({"inChampSelect":true,"queueId":420,"gameId":7})")
                  .ok());
  Forget();
  ASSERT_TRUE(Call(TAV_METHOD_PUT, "/perks-e2e/v1/disabled-perks", "[7208]").ok());
  EXPECT_THAT(core_.sent_events(), IsEmpty());
  EXPECT_EQ(Answer(Call(TAV_METHOD_GET, "/tav-perks/v1/perks/disabled")), "[7999]");

  // Outside, the pages are judged again and published; nothing is saved.
  ASSERT_TRUE(Call(TAV_METHOD_PUT, "/perks-e2e/v1/champ-select", R"({"inChampSelect":false})").ok());
  ASSERT_TRUE(Call(TAV_METHOD_PUT, "/perks-e2e/v1/disabled-perks", "[7208]").ok());
  EXPECT_EQ(Answer(Call(TAV_METHOD_GET, "/tav-perks/v1/perks/disabled")), "[7208]");
  EXPECT_THAT(Published("/tav-perks/v1/perks/disabled"), ElementsAre("[7208]"));
  EXPECT_THAT(PublishedUris(), ElementsAre("/tav-perks/v1/perks/disabled", "/tav-perks/v1/pages"));
  EXPECT_THAT(SettingsWrites(), IsEmpty());
  const CallResult pages = Call(TAV_METHOD_GET, "/tav-perks/v1/pages");
  EXPECT_THAT(Published("/tav-perks/v1/pages"), ElementsAre(pages.ValueJson()));
  std::vector<std::string> validity;
  for (const auto& page : pages.value.GetArray()) {
    validity.push_back(std::string(page["name"].GetString()) + " " + JsonText(page["isValid"]));
  }
  // The Tempest page uses 7208 as its sub-style perk; the Bastion page does
  // not.
  EXPECT_THAT(validity, ElementsAre("Tempest false", "Bastion true"));
}

}  // namespace
}  // namespace tav::host
