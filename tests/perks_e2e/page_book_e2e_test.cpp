// The perk book through the development core: every page endpoint's answer,
// its failures, the events each change publishes and the settings written.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "perks_e2e_fixture.h"

namespace tav::host {
namespace {

using ::testing::AnyOf;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

class PageBookTest : public PerksE2eTest {
 protected:
  void SetUp() override {
    ServeSampleGameData();
    ServeNoStoredSettings();
    Start();
  }

  static std::string PagePath(int id) { return "/tav-perks/v1/pages/" + std::to_string(id); }

  // A field of GET /pages/{id}, as JSON.
  std::string PageField(int id, const char* field) {
    const CallResult page = Call(TAV_METHOD_GET, PagePath(id));
    return page.ok() ? JsonText(page.value[field]) : page.Summary();
  }

  // "id:order" of GET /pages, in the order served.
  std::vector<std::string> PageOrders() {
    std::vector<std::string> orders;
    for (const auto& page : Call(TAV_METHOD_GET, "/tav-perks/v1/pages").value.GetArray()) {
      orders.push_back(std::to_string(page["id"].GetInt()) + ":" + std::to_string(page["order"].GetInt()));
    }
    return orders;
  }
};

TEST_F(PageBookTest, CreateAnswersThePagePublishesAndSaves) {
  Forget();
  const CallResult created = Call(
      TAV_METHOD_POST, "/tav-perks/v1/pages",
      R"({"name":"Gale","primaryStyleId":710,"subStyleId":720,"selectedPerkIds":[7101,7104,7107,7110,7204,7208],)"
      R"("id":77,"order":40,"isEditable":false,"isDeletable":false,"current":true,"autoModifiedSelections":[1]})");
  ASSERT_TRUE(created.ok()) << created.Summary();
  // Only name, styles and perks are taken; the answer is the page as
  // inserted, before it became current.
  const int id = created.value["id"].GetInt();
  EXPECT_NE(id, 77);
  EXPECT_EQ(created.ValueJson(),
            R"({"autoModifiedSelections":[],"current":false,"id":)" + std::to_string(id) +
                R"(,"isActive":false,"isDeletable":true,"isEditable":true,"isValid":true,"name":"Gale",)"
                R"("order":0,"primaryStyleId":710,"selectedPerkIds":[7101,7104,7107,7110,7204,7208],)"
                R"("subStyleId":720})");

  EXPECT_THAT(PublishedUris(), ElementsAre("/tav-perks/v1/pages", "/tav-perks/v1/currentpage"));
  const CallResult current = Call(TAV_METHOD_GET, "/tav-perks/v1/currentpage");
  EXPECT_EQ(JsonText(current.value["current"]), "true");
  EXPECT_THAT(Published("/tav-perks/v1/currentpage"), ElementsAre(current.ValueJson()));
  EXPECT_THAT(Published("/tav-perks/v1/pages"), ElementsAre("[" + created.ValueJson() + "]"));
  EXPECT_EQ(Get(PagePath(id)), current.ValueJson());
  ASSERT_THAT(SettingsWrites(), SizeIs(1));
  EXPECT_EQ(SettingsWrites()[0],
            R"({"data":{"pages":[],"perShardPerkBooks":{"":{"currentPageId":)" + std::to_string(id) +
                R"(,"pages":[)" + current.ValueJson() +
                R"(]}},"settings":{"gameplayPatchVersionSeen":"","gameplayUpdatedPerksSeen":[],)"
                R"("gridModeEnabled":false,"showLongDescriptions":false,"showPresetPages":true}},)"
                R"("schemaVersion":5})");

  // A second page takes the next order and becomes current. An unknown
  // primary style is replaced by a catalogued one; the sub-style is kept.
  const int second = CreatePage("Lost", 999, 720, kTempestPerks);
  EXPECT_EQ(PageField(second, "order"), "1");
  EXPECT_EQ(CurrentPageId(), second);
  EXPECT_THAT(PageField(second, "primaryStyleId"), AnyOf("710", "720", "730", "740", "750"));
  const int kept_sub = CreatePage("Lost sub", 710, 999, kTempestPerks);
  EXPECT_EQ(PageField(kept_sub, "subStyleId"), "999");
  EXPECT_EQ(PageField(kept_sub, "isValid"), "false");
}

TEST_F(PageBookTest, UpdateReplacesThePageThenPublishesSavesAndMakesItCurrent) {
  const int first = CreatePage("First", 710, 720, kTempestPerks);
  const int second = CreatePage("Second", 710, 720, kTempestPerks);
  Forget();
  const CallResult updated = Call(
      TAV_METHOD_PUT, PagePath(first),
      R"({"name":"Renamed","primaryStyleId":-1,"subStyleId":730,"autoModifiedSelections":[2,5],"order":9})");
  ASSERT_TRUE(updated.ok()) << updated.Summary();
  EXPECT_TRUE(updated.value.IsNull());
  // Left-out perks become an empty list; -1 skips the style check.
  EXPECT_EQ(Get(PagePath(first)),
            R"({"autoModifiedSelections":[2,5],"current":true,"id":)" + std::to_string(first) +
                R"(,"isActive":false,"isDeletable":true,"isEditable":true,"isValid":false,)"
                R"("name":"Renamed","order":0,"primaryStyleId":-1,"selectedPerkIds":[],"subStyleId":730})");
  EXPECT_THAT(PublishedUris(), ElementsAre(PagePath(first), "/tav-perks/v1/pages", "/tav-perks/v1/currentpage"));
  // What was published and saved shows the page before it became current.
  EXPECT_EQ(JsonText(JsonValue(Published(PagePath(first))[0])["current"]), "false");
  ASSERT_THAT(SettingsWrites(), SizeIs(1));
  EXPECT_EQ(JsonValue(SettingsWrites()[0])["data"]["perShardPerkBooks"][""]["currentPageId"].GetInt(), second);

  struct Case {
    const char* name;
    int id;
    const char* body;
    const char* answer;
  };
  const Case failures[] = {
      {"missing page", 12345, "{}", "404 Perk Page not found."},
      {"unknown primary style", second, R"({"primaryStyleId":711,"subStyleId":720})", "400 Invalid Style."},
      {"unknown sub-style", second, R"({"primaryStyleId":710,"subStyleId":0})", "400 Invalid Style."},
      {"preset page", 50, "{}", "403 Page is not editable."},
  };
  for (const Case& c : failures) {
    SCOPED_TRACE(c.name);
    if (c.id == 50) {
      ASSERT_TRUE(Call(TAV_METHOD_DELETE, "/tav-perks/v1/pages").ok());
    }
    Forget();
    EXPECT_EQ(Answer(Call(TAV_METHOD_PUT, PagePath(c.id), c.body)), c.answer);
    EXPECT_THAT(core_.sent_events(), IsEmpty());
    EXPECT_THAT(SettingsWrites(), IsEmpty());
  }
}

TEST_F(PageBookTest, ReorderThenResetPutsThePresetPagesBack) {
  const int first = CreatePage("First", 710, 720, kTempestPerks);
  const int second = CreatePage("Second", 720, 710, "[7201,7204,7207,7210,7104,7108]");
  Forget();
  ASSERT_TRUE(Call(TAV_METHOD_POST, "/tav-perks/v1/update-page-order",
                   R"({"targetPageId":)" + std::to_string(second) + R"(,"destinationPageId":)" +
                       std::to_string(first) + R"(,"offset":-1})")
                  .ok());
  EXPECT_THAT(ServedPageIds(), ElementsAre(second, first));
  ASSERT_THAT(SettingsWrites(), SizeIs(1));
  EXPECT_EQ(PageIds(JsonValue(SettingsWrites()[0])["data"]["perShardPerkBooks"][""]["pages"]),
            (std::vector<int>{second, first}));

  Forget();
  const CallResult reset = Call(TAV_METHOD_DELETE, "/tav-perks/v1/pages");
  ASSERT_TRUE(reset.ok()) << reset.Summary();
  EXPECT_EQ(Get(PagePath(first)), "404 Perk Page not found.");
  EXPECT_THAT(PageOrders(), ElementsAre("54:2147483638", "53:2147483639", "52:2147483640", "51:2147483641",
                                        "50:2147483642"));
  EXPECT_EQ(CurrentPageId(), 50);
  EXPECT_THAT(PublishedUris(), ElementsAre("/tav-perks/v1/pages", "/tav-perks/v1/currentpage"));
  // Preset pages are never stored.
  ASSERT_THAT(SettingsWrites(), SizeIs(1));
  EXPECT_EQ(JsonText(JsonValue(SettingsWrites()[0])["data"]["perShardPerkBooks"]),
            R"({"":{"currentPageId":50,"pages":[]}})");
}

TEST_F(PageBookTest, ClearingRepairMarksPublishesWithoutSaving) {
  const int id = CreatePage("Marked", 710, 720, kTempestPerks);
  ASSERT_TRUE(Call(TAV_METHOD_PUT, PagePath(id),
                   R"({"name":"Marked","primaryStyleId":710,"subStyleId":720,"autoModifiedSelections":[2,5]})")
                  .ok());
  Forget();
  const CallResult cleared = Call(TAV_METHOD_DELETE, PagePath(id) + "/auto-modified-selections");
  ASSERT_TRUE(cleared.ok()) << cleared.Summary();
  EXPECT_TRUE(cleared.value.IsNull());
  EXPECT_EQ(PageField(id, "autoModifiedSelections"), "[]");
  // The page itself is still there: this is not the page's DELETE.
  EXPECT_EQ(PageField(id, "name"), "\"Marked\"");
  EXPECT_THAT(PublishedUris(), ElementsAre(PagePath(id), "/tav-perks/v1/pages"));
  EXPECT_THAT(SettingsWrites(), IsEmpty());

  ASSERT_TRUE(Call(TAV_METHOD_DELETE, "/tav-perks/v1/pages").ok());
  EXPECT_EQ(Answer(Call(TAV_METHOD_DELETE, PagePath(id) + "/auto-modified-selections")), "404 Perk Page not found.");
  EXPECT_EQ(Answer(Call(TAV_METHOD_DELETE, PagePath(52) + "/auto-modified-selections")),
            "403 Page is not editable.");
}

TEST_F(PageBookTest, AFailedWriteIsLoggedAndChangesNothing) {
  core_.AddPeerError(TAV_METHOD_PATCH, kPageSettingsPath, 503, "Storage offline");
  Forget();
  ASSERT_NE(CreatePage("Unsaved", 710, 720, kTempestPerks), 0);
  EXPECT_THAT(LogMessages(2), ElementsAre("Could not write settings for perks: Error response for PATCH "
                                          "/tav-settings/v2/account/PerksPreferences/page-settings: Storage offline"));
  EXPECT_THAT(ServedPageIds(), SizeIs(1));
}

}  // namespace
}  // namespace tav::host
