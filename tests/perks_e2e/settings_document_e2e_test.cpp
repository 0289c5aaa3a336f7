// Writing the stored settings document: only the editable pages of the
// current shard's book change; the other shards' books and the older
// shard-less pages are written back as they were.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "perks_e2e_fixture.h"

namespace tav::host {
namespace {

using ::testing::ElementsAre;
using ::testing::SizeIs;

using SettingsDocumentTest = PerksE2eTest;

constexpr const char* kOtherShardBook =
    R"({"currentPageId":31,"pages":[{"autoModifiedSelections":[],"current":true,"id":31,)"
    R"("isActive":false,"isDeletable":true,"isEditable":true,"isValid":true,"name":"Far away",)"
    R"("order":0,"primaryStyleId":730,"selectedPerkIds":[],"subStyleId":710}]})";
constexpr const char* kLegacyPage =
    R"({"autoModifiedSelections":[],"current":false,"id":12,"isActive":false,"isDeletable":true,)"
    R"("isEditable":true,"isValid":false,"name":"Old layout","order":3,"primaryStyleId":740,)"
    R"("selectedPerkIds":[7401],"subStyleId":-1})";

TEST_F(SettingsDocumentTest, SaveWritesTheShardsBookAndKeepsTheRest) {
  ServeSampleGameData();
  StartTestPlugin();
  ASSERT_TRUE(Call(TAV_METHOD_PUT, "/perks-e2e/v1/stored-books",
                   std::string(R"({"shard":"eu1","document":{"pages":[)") + kLegacyPage +
                       R"(],"perShardPerkBooks":{"na2":)" + kOtherShardBook + "}}}")
                  .ok());
  ASSERT_TRUE(Call(TAV_METHOD_PUT, "/perks-e2e/v1/owned-page-count", "2").ok());
  ASSERT_TRUE(Call(TAV_METHOD_DELETE, "/tav-perks/v1/pages").ok());
  const int first = CreatePage("First", 710, 720, kTempestPerks);
  const int second = CreatePage("Second", 720, 710, "[7201,7204,7207,7210,7104,7108]");
  ASSERT_TRUE(Call(TAV_METHOD_POST, "/tav-perks/v1/update-page-order",
                   R"({"targetPageId":)" + std::to_string(second) + R"(,"destinationPageId":)" +
                       std::to_string(first) + R"(,"offset":-1})")
                  .ok());

  Forget();
  ASSERT_TRUE(Call(TAV_METHOD_POST, "/perks-e2e/v1/save").ok());
  ASSERT_THAT(SettingsWrites(), SizeIs(1));
  rapidjson::Document written = JsonValue(SettingsWrites()[0]);
  EXPECT_EQ(written["schemaVersion"].GetInt(), 5);
  EXPECT_EQ(JsonText(written["data"]["pages"]), std::string("[") + kLegacyPage + "]");
  EXPECT_EQ(JsonText(written["data"]["perShardPerkBooks"]["na2"]), kOtherShardBook);
  // The presets stay out; the player's pages go in order, the current one
  // marked.
  const rapidjson::Value& book = written["data"]["perShardPerkBooks"]["eu1"];
  EXPECT_EQ(book["currentPageId"].GetInt(), second);
  ASSERT_EQ(book["pages"].Size(), 2u);
  EXPECT_EQ(book["pages"][0]["id"].GetInt(), second);
  EXPECT_EQ(JsonText(book["pages"][0]["current"]), "true");
  EXPECT_EQ(book["pages"][1]["id"].GetInt(), first);
  EXPECT_EQ(written["data"]["perShardPerkBooks"].MemberCount(), 2u);
  // The settings plugin got it through PATCH, as a value of its own.
  EXPECT_EQ(JsonText(*core_.resources().Get(kPageSettings)), SettingsWrites()[0]);
}

TEST_F(SettingsDocumentTest, AFailedWriteIsLoggedAndChangesNothing) {
  ServeSampleGameData();
  ServeNoStoredSettings();
  Start();
  core_.AddPeerError(TAV_METHOD_PATCH, kPageSettings, 503, "Storage offline");
  Forget();
  const int id = CreatePage("Unsaved", 710, 720, kTempestPerks);
  ASSERT_NE(id, 0);
  EXPECT_THAT(LogMessages(2),
              ElementsAre("Could not write settings for perks: Error response for PATCH "
                          "/tav-settings/v2/account/PerksPreferences/page-settings: Storage offline"));
  EXPECT_EQ(Call(TAV_METHOD_GET, "/tav-perks/v1/pages").value.Size(), 1u);
}

}  // namespace
}  // namespace tav::host
