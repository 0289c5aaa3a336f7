// The perk book through the development core: the page endpoints' answers
// and refusals, the events each change publishes and the settings written.
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
};

TEST_F(PageBookTest, CreateUpdateReorderAndResetPublishAndSave) {
  Forget();
  const CallResult created = Call(
      TAV_METHOD_POST, "/tav-perks/v1/pages",
      R"({"name":"Gale","primaryStyleId":710,"subStyleId":720,"selectedPerkIds":[7101,7104,7107,7110,7204,7208],)"
      R"("id":77,"order":40,"isEditable":false,"isDeletable":false,"current":true,"autoModifiedSelections":[1]})");
  ASSERT_TRUE(created.ok()) << created.Summary();
  // Only name, styles and perks are taken; the answer is the page as
  // inserted, before it became current.
  const int first = created.value["id"].GetInt();
  EXPECT_NE(first, 77);
  EXPECT_EQ(
      created.ValueJson(),
      R"({"autoModifiedSelections":[],"current":false,"id":)" + std::to_string(first) +
          R"(,"isActive":false,"isDeletable":true,"isEditable":true,"isValid":true,"name":"Gale",)"
          R"("order":0,"primaryStyleId":710,"selectedPerkIds":[7101,7104,7107,7110,7204,7208],)"
          R"("subStyleId":720})");
  EXPECT_THAT(PublishedUris(), ElementsAre("/tav-perks/v1/pages", "/tav-perks/v1/currentpage"));
  const std::string current = Get("/tav-perks/v1/currentpage");
  EXPECT_EQ(JsonText(JsonValue(current)["current"]), "true");
  EXPECT_THAT(Published("/tav-perks/v1/currentpage"), ElementsAre(current));
  EXPECT_THAT(Published("/tav-perks/v1/pages"), ElementsAre("[" + created.ValueJson() + "]"));
  ASSERT_THAT(SettingsWrites(), SizeIs(1));
  EXPECT_EQ(SettingsWrites()[0],
            R"({"data":{"pages":[],"perShardPerkBooks":{"":{"currentPageId":)" +
                std::to_string(first) + R"(,"pages":[)" + current +
                R"(]}},"settings":{"gameplayPatchVersionSeen":"","gameplayUpdatedPerksSeen":[],)"
                R"("gridModeEnabled":false,"showLongDescriptions":false,"showPresetPages":true}},)"
                R"("schemaVersion":5})");

  // An unknown primary style is replaced by a catalogued one; an unknown
  // sub-style is kept, and the page is then invalid.
  const int second = CreatePage("Lost", 999, 999, kTempestPerks);
  EXPECT_EQ(PageField(second, "order"), "1");
  EXPECT_EQ(CurrentPageId(), second);
  EXPECT_THAT(PageField(second, "primaryStyleId"), AnyOf("710", "720", "730", "740", "750"));
  EXPECT_EQ(PageField(second, "subStyleId"), "999");
  EXPECT_EQ(PageField(second, "isValid"), "false");

  Forget();
  const CallResult updated = Call(
      TAV_METHOD_PUT, PagePath(first),
      R"({"name":"Renamed","primaryStyleId":-1,"subStyleId":730,"autoModifiedSelections":[2,5],"order":9})");
  ASSERT_TRUE(updated.ok()) << updated.Summary();
  EXPECT_TRUE(updated.value.IsNull());
  // Left-out perks become an empty list; -1 skips the style check.
  EXPECT_EQ(
      Get(PagePath(first)),
      R"({"autoModifiedSelections":[2,5],"current":true,"id":)" + std::to_string(first) +
          R"(,"isActive":false,"isDeletable":true,"isEditable":true,"isValid":false,)"
          R"("name":"Renamed","order":0,"primaryStyleId":-1,"selectedPerkIds":[],"subStyleId":730})");
  EXPECT_THAT(PublishedUris(),
              ElementsAre(PagePath(first), "/tav-perks/v1/pages", "/tav-perks/v1/currentpage"));
  // What was published and saved shows the page before it became current.
  EXPECT_EQ(JsonText(JsonValue(Published(PagePath(first))[0])["current"]), "false");
  ASSERT_THAT(SettingsWrites(), SizeIs(1));
  EXPECT_EQ(
      JsonValue(SettingsWrites()[0])["data"]["perShardPerkBooks"][""]["currentPageId"].GetInt(),
      second);

  // Clearing the repair marks publishes without saving, and keeps the page.
  Forget();
  const CallResult cleared = Call(TAV_METHOD_DELETE, PagePath(first) + "/auto-modified-selections");
  ASSERT_TRUE(cleared.ok()) << cleared.Summary();
  EXPECT_TRUE(cleared.value.IsNull());
  EXPECT_EQ(PageField(first, "autoModifiedSelections"), "[]");
  EXPECT_EQ(PageField(first, "name"), "\"Renamed\"");
  EXPECT_THAT(PublishedUris(), ElementsAre(PagePath(first), "/tav-perks/v1/pages"));
  EXPECT_THAT(SettingsWrites(), IsEmpty());

  ASSERT_TRUE(Call(TAV_METHOD_POST, "/tav-perks/v1/update-page-order",
                   R"({"targetPageId":)" + std::to_string(second) + R"(,"destinationPageId":)" +
                       std::to_string(first) + R"(,"offset":-1})")
                  .ok());
  EXPECT_THAT(ServedPageIds(), ElementsAre(second, first));
  ASSERT_THAT(SettingsWrites(), SizeIs(1));
  EXPECT_EQ(PageIds(JsonValue(SettingsWrites()[0])["data"]["perShardPerkBooks"][""]["pages"]),
            (std::vector<int>{second, first}));

  Forget();
  ASSERT_TRUE(Call(TAV_METHOD_DELETE, PagePath(second)).ok());
  EXPECT_EQ(PageField(second, "id"), "404 Perk Page not found.");
  EXPECT_THAT(ServedPageIds(), ElementsAre(first));
  EXPECT_EQ(CurrentPageId(), first);
  ASSERT_THAT(SettingsWrites(), SizeIs(1));

  // Reset puts the preset pages back, the first current; they are never
  // stored.
  Forget();
  ASSERT_TRUE(Call(TAV_METHOD_DELETE, "/tav-perks/v1/pages").ok());
  EXPECT_THAT(ServedPageIds(), ElementsAre(54, 53, 52, 51, 50));
  EXPECT_EQ(CurrentPageId(), 50);
  EXPECT_THAT(PublishedUris(), ElementsAre("/tav-perks/v1/pages", "/tav-perks/v1/currentpage"));
  ASSERT_THAT(SettingsWrites(), SizeIs(1));
  EXPECT_EQ(JsonText(JsonValue(SettingsWrites()[0])["data"]["perShardPerkBooks"]),
            R"({"":{"currentPageId":50,"pages":[]}})");
}

TEST_F(PageBookTest, RefusalsAnswerTheirStatusAndChangeNothing) {
  const int id = CreatePage("Gale", 710, 720, kTempestPerks);
  const std::string page = PagePath(id);
  struct Case {
    uint32_t method;
    std::string path;
    std::string body;
    const char* answer;
    bool presets_only;  // needs a book of the preset pages alone
  };
  const Case cases[] = {
      {TAV_METHOD_PUT, PagePath(12345), "{}", "404 Perk Page not found.", false},
      {TAV_METHOD_PUT, page, R"({"primaryStyleId":711,"subStyleId":720})", "400 Invalid Style.",
       false},
      {TAV_METHOD_PUT, page, R"({"primaryStyleId":710,"subStyleId":0})", "400 Invalid Style.",
       false},
      {TAV_METHOD_DELETE, PagePath(12345), "", "404 Perk Page not found.", false},
      {TAV_METHOD_DELETE, PagePath(12345) + "/auto-modified-selections", "",
       "404 Perk Page not found.", false},
      {TAV_METHOD_PUT, "/tav-perks/v1/currentpage", "0", "404 Invalid Page Id", false},
      {TAV_METHOD_PUT, "/tav-perks/v1/currentpage", "12345", "404 Perk page not found", false},
      {TAV_METHOD_POST, "/tav-perks/v1/update-page-order",
       R"({"targetPageId":12345,"destinationPageId":)" + std::to_string(id) + "}",
       "422 Target page ID is invalid.", false},
      {TAV_METHOD_POST, "/tav-perks/v1/update-page-order",
       R"({"targetPageId":)" + std::to_string(id) + R"(,"destinationPageId":12345})",
       "422 Destination page ID is invalid.", false},
      {TAV_METHOD_PUT, PagePath(50), "{}", "403 Page is not editable.", true},
      {TAV_METHOD_DELETE, PagePath(52) + "/auto-modified-selections", "",
       "403 Page is not editable.", true},
      {TAV_METHOD_DELETE, PagePath(51), "", "403 Page is not deletable.", true},
      // No rune book read: the preset pages alone fill the book.
      {TAV_METHOD_POST, "/tav-perks/v1/pages", R"({"name":"More"})", "400 Max pages reached", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path + " " + c.body);
    if (c.presets_only && ServedPageIds().size() != 5) {
      ASSERT_TRUE(Call(TAV_METHOD_DELETE, "/tav-perks/v1/pages").ok());
    }
    const std::vector<int> pages = ServedPageIds();
    Forget();
    EXPECT_EQ(Answer(c.body.empty() ? Call(c.method, c.path) : Call(c.method, c.path, c.body)),
              c.answer);
    EXPECT_THAT(core_.sent_events(), IsEmpty());
    EXPECT_THAT(SettingsWrites(), IsEmpty());
    EXPECT_EQ(ServedPageIds(), pages);
  }
}

TEST_F(PageBookTest, AFailedWriteIsLoggedAndChangesNothing) {
  core_.AddPeerError(TAV_METHOD_PATCH, kPageSettingsPath, 503, "Storage offline");
  Forget();
  ASSERT_NE(CreatePage("Unsaved", 710, 720, kTempestPerks), 0);
  EXPECT_THAT(
      LogMessages(2),
      ElementsAre("Could not write settings for perks: Error response for PATCH "
                  "/tav-settings/v2/account/PerksPreferences/page-settings: Storage offline"));
  EXPECT_THAT(ServedPageIds(), SizeIs(1));
}

}  // namespace
}  // namespace tav::host
