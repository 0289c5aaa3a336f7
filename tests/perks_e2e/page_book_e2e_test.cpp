// The perk book through the development core: every page endpoint's answer,
// its failures, the events each change publishes and the settings written.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "perks_e2e_fixture.h"

namespace tav::host {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

class PageBookTest : public PerksE2eTest {
 protected:
  static std::string PagePath(int id) { return "/tav-perks/v1/pages/" + std::to_string(id); }

  // "id:order" of GET /pages, in the order served.
  std::vector<std::string> PageOrders() {
    std::vector<std::string> orders;
    const CallResult pages = Call(TAV_METHOD_GET, "/tav-perks/v1/pages");
    for (const auto& page : pages.value.GetArray()) {
      orders.push_back(std::to_string(page["id"].GetInt()) + ":" +
                       std::to_string(page["order"].GetInt()));
    }
    return orders;
  }

  int CurrentPageId() {
    const CallResult current = Call(TAV_METHOD_GET, "/tav-perks/v1/currentpage");
    return current.ok() ? current.value["id"].GetInt() : 0;
  }

  // A field of GET /pages/{id}, as JSON.
  std::string PageField(int id, const char* field) {
    const CallResult page = Call(TAV_METHOD_GET, PagePath(id));
    return page.ok() ? JsonText(page.value[field]) : page.Summary();
  }
};

TEST_F(PageBookTest, CreateAnswersThePagePublishesAndSaves) {
  ServeSampleGameData();
  ServeNoStoredSettings();
  Start();
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
  EXPECT_EQ(Answer(Call(TAV_METHOD_GET, PagePath(id))), current.ValueJson());

  ASSERT_THAT(SettingsWrites(), SizeIs(1));
  EXPECT_EQ(SettingsWrites()[0],
            R"({"data":{"pages":[],"perShardPerkBooks":{"":{"currentPageId":)" + std::to_string(id) +
                R"(,"pages":[)" + current.ValueJson() +
                R"(]}},"settings":{"gameplayPatchVersionSeen":"","gameplayUpdatedPerksSeen":[],)"
                R"("gridModeEnabled":false,"showLongDescriptions":false,"showPresetPages":true}},)"
                R"("schemaVersion":5})");

  // A second page takes the next order and becomes current.
  const int second = CreatePage("Ember", 720, 710, "[7201,7204,7207,7210,7104,7108]");
  EXPECT_EQ(PageField(second, "order"), "1");
  EXPECT_EQ(CurrentPageId(), second);
}

TEST_F(PageBookTest, ThePageLimitIsTheOwnedCountPlusThePresets) {
  ServeSampleGameData();
  ServeNoStoredSettings();
  StartTestPlugin();
  ASSERT_TRUE(Call(TAV_METHOD_PUT, "/perks-e2e/v1/owned-page-count", "2").ok());
  ASSERT_TRUE(Call(TAV_METHOD_DELETE, "/tav-perks/v1/pages").ok());
  ASSERT_THAT(PageOrders(), SizeIs(5));
  EXPECT_NE(CreatePage("Sixth", 710, 720, kTempestPerks), 0);
  EXPECT_NE(CreatePage("Seventh", 710, 720, kTempestPerks), 0);
  Forget();
  EXPECT_EQ(Answer(Call(TAV_METHOD_POST, "/tav-perks/v1/pages", R"({"name":"Eighth"})")),
            "400 Max pages reached");
  EXPECT_THAT(core_.sent_events(), IsEmpty());
  EXPECT_THAT(SettingsWrites(), IsEmpty());
  EXPECT_THAT(PageOrders(), SizeIs(7));
}

TEST_F(PageBookTest, AnUnknownPrimaryStyleIsReplacedByACataloguedOne) {
  ServeSampleGameData();
  ServeNoStoredSettings();
  StartTestPlugin();
  // 7 modulo the five styles picks the third in id order; then the page id.
  ASSERT_TRUE(Call(TAV_METHOD_PUT, "/perks-e2e/v1/random-draws", "[7,41]").ok());
  const int id = CreatePage("Lost", 999, 720, kTempestPerks);
  EXPECT_EQ(id, 41);
  EXPECT_EQ(PageField(id, "primaryStyleId"), "730");
  // The sub-style is not looked at, and the page was validated with the new
  // style.
  const int kept_sub = CreatePage("Lost sub", 710, 999, kTempestPerks);
  EXPECT_EQ(PageField(kept_sub, "subStyleId"), "999");
  EXPECT_EQ(PageField(kept_sub, "isValid"), "false");
  EXPECT_EQ(PageField(id, "isValid"), "false");
}

TEST_F(PageBookTest, CreateCutsBeforeValidatingAndUpdateAfter) {
  ServeSampleGameData();
  ServeNoStoredSettings();
  Start();
  struct Case {
    const char* name;
    const char* perks;
    const char* create_valid;
    const char* update_valid;
    const char* stored;
  };
  const Case cases[] = {
      {"nine ids", "[7101,7104,7107,7110,7204,7208,7102,7105,7108]", "true", "false",
       "[7101,7104,7107,7110,7204,7208]"},
      // The 0 among the first six is a gap: the create sees five perks, the
      // update sees all six before the cut.
      {"a zero among seven", "[7101,7104,0,7107,7110,7204,7208]", "false", "true",
       "[7101,7104,0,7107,7110,7204]"},
      {"six", kTempestPerks, "true", "true", "[7101,7104,7107,7110,7204,7208]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int id = CreatePage(c.name, 710, 720, c.perks);
    ASSERT_NE(id, 0);
    EXPECT_EQ(PageField(id, "isValid"), c.create_valid);
    EXPECT_EQ(PageField(id, "selectedPerkIds"), c.stored);
    ASSERT_TRUE(Call(TAV_METHOD_PUT, PagePath(id),
                     std::string(R"({"primaryStyleId":710,"subStyleId":720,"selectedPerkIds":)") +
                         c.perks + "}")
                    .ok());
    EXPECT_EQ(PageField(id, "isValid"), c.update_valid);
    EXPECT_EQ(PageField(id, "selectedPerkIds"), c.stored);
    ASSERT_TRUE(Call(TAV_METHOD_DELETE, PagePath(id)).ok());
  }
}

TEST_F(PageBookTest, UpdateReplacesThePageThenPublishesSavesAndMakesItCurrent) {
  ServeSampleGameData();
  ServeNoStoredSettings();
  Start();
  const int first = CreatePage("First", 710, 720, kTempestPerks);
  const int second = CreatePage("Second", 710, 720, kTempestPerks);
  Forget();
  const CallResult updated = Call(
      TAV_METHOD_PUT, PagePath(first),
      R"({"name":"Renamed","primaryStyleId":-1,"subStyleId":730,"autoModifiedSelections":[2,5],"order":9})");
  ASSERT_TRUE(updated.ok()) << updated.Summary();
  EXPECT_TRUE(updated.value.IsNull());
  // Left-out perks become an empty list; -1 skips the style check.
  const CallResult page = Call(TAV_METHOD_GET, PagePath(first));
  EXPECT_EQ(page.ValueJson(),
            R"({"autoModifiedSelections":[2,5],"current":true,"id":)" + std::to_string(first) +
                R"(,"isActive":false,"isDeletable":true,"isEditable":true,"isValid":false,)"
                R"("name":"Renamed","order":0,"primaryStyleId":-1,"selectedPerkIds":[],"subStyleId":730})");
  EXPECT_EQ(CurrentPageId(), first);
  EXPECT_THAT(PublishedUris(), ElementsAre(PagePath(first), "/tav-perks/v1/pages",
                                           "/tav-perks/v1/currentpage"));
  ASSERT_THAT(SettingsWrites(), SizeIs(1));
  // What was published and saved shows the page before it became current.
  rapidjson::Document published = JsonValue(Published(PagePath(first))[0]);
  EXPECT_EQ(JsonText(published["name"]), "\"Renamed\"");
  EXPECT_EQ(JsonText(published["current"]), "false");
  rapidjson::Document written = JsonValue(SettingsWrites()[0]);
  EXPECT_EQ(written["data"]["perShardPerkBooks"][""]["currentPageId"].GetInt(), second);

  struct Case {
    const char* name;
    int id;
    const char* body;
    const char* answer;
  };
  const Case failures[] = {
      {"missing page", 12345, "{}", "404 Perk Page not found."},
      {"unknown primary style", second, R"({"primaryStyleId":711,"subStyleId":720})",
       "400 Invalid Style."},
      {"unknown sub-style", second, R"({"primaryStyleId":710,"subStyleId":0})",
       "400 Invalid Style."},
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

TEST_F(PageBookTest, ResetPutsThePresetPagesBack) {
  ServeSampleGameData();
  ServeNoStoredSettings();
  Start();
  const int own = CreatePage("Own", 710, 720, kTempestPerks);
  Forget();
  const CallResult reset = Call(TAV_METHOD_DELETE, "/tav-perks/v1/pages");
  ASSERT_TRUE(reset.ok()) << reset.Summary();
  EXPECT_EQ(Answer(Call(TAV_METHOD_GET, PagePath(own))), "404 Perk Page not found.");
  EXPECT_THAT(PageOrders(), ElementsAre("54:2147483638", "53:2147483639", "52:2147483640",
                                        "51:2147483641", "50:2147483642"));
  EXPECT_EQ(CurrentPageId(), 50);
  EXPECT_THAT(PublishedUris(), ElementsAre("/tav-perks/v1/pages", "/tav-perks/v1/currentpage"));
  // Preset pages are never stored.
  ASSERT_THAT(SettingsWrites(), SizeIs(1));
  rapidjson::Document written = JsonValue(SettingsWrites()[0]);
  EXPECT_EQ(JsonText(written["data"]["perShardPerkBooks"]), R"({"":{"currentPageId":50,"pages":[]}})");
}

TEST_F(PageBookTest, ClearingRepairMarksPublishesWithoutSaving) {
  ServeSampleGameData();
  ServeNoStoredSettings();
  Start();
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
  EXPECT_EQ(Answer(Call(TAV_METHOD_DELETE, PagePath(id) + "/auto-modified-selections")),
            "404 Perk Page not found.");
  EXPECT_EQ(Answer(Call(TAV_METHOD_DELETE, PagePath(52) + "/auto-modified-selections")),
            "403 Page is not editable.");
}

TEST_F(PageBookTest, ThePageForAChampion) {
  ServeSampleGameData();
  ServeNoStoredSettings();
  StartTestPlugin();
  ASSERT_TRUE(Call(TAV_METHOD_PUT, "/perks-e2e/v1/owned-page-count", "3").ok());
  auto champion_page = [&](int champion) {
    const CallResult page =
        Call(TAV_METHOD_GET, "/perks-e2e/v1/champion-page?championId=" + std::to_string(champion));
    return page.ok() ? page.value["id"].GetInt() : -1;
  };
  const std::string no_page_log =
      "Could not find any valid preset champion rune pages to use for champ_id: 0";

  // The current page id names a page that is gone: at level 8 that is the
  // answer (no page), before level 8 the champion decides.
  const int gone = CreatePage("Gone", 710, 720, kTempestPerks);
  ASSERT_TRUE(Call(TAV_METHOD_DELETE, PagePath(gone)).ok());
  ASSERT_TRUE(Call(TAV_METHOD_PUT, "/perks-e2e/v1/summoner-level", "8").ok());
  Forget();
  EXPECT_EQ(champion_page(114), 0);
  EXPECT_EQ(champion_page(0), 0);
  EXPECT_THAT(LogMessages(1), IsEmpty());
  ASSERT_TRUE(Call(TAV_METHOD_PUT, "/perks-e2e/v1/summoner-level", "7").ok());
  // The preset page of the champion's style is not in the book.
  EXPECT_EQ(champion_page(114), 0);
  EXPECT_THAT(LogMessages(1), IsEmpty());

  ASSERT_TRUE(Call(TAV_METHOD_DELETE, "/tav-perks/v1/pages").ok());
  const int own = CreatePage("Own", 710, 720, kTempestPerks);
  const int broken = CreatePage("Broken", 710, 710, kTempestPerks);
  ASSERT_TRUE(Call(TAV_METHOD_PUT, "/tav-perks/v1/currentpage", std::to_string(own)).ok());
  struct Case {
    const char* name;
    const char* level;
    int current;
    int champion;
    int page;
  };
  const Case cases[] = {
      {"below level 8 the champion's style decides", "7", own, 114, 51},
      {"from level 8 a valid current page", "8", own, 114, own},
      {"an invalid current page falls back", "8", broken, 128, 52},
      {"a champion of a style without preset", "7", own, 999, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(Call(TAV_METHOD_PUT, "/perks-e2e/v1/summoner-level", c.level).ok());
    ASSERT_TRUE(Call(TAV_METHOD_PUT, "/tav-perks/v1/currentpage", std::to_string(c.current)).ok());
    EXPECT_EQ(champion_page(c.champion), c.page);
  }
  EXPECT_THAT(LogMessages(1), IsEmpty());
  // Only champion 0 finding no preset page says so.
  EXPECT_EQ(champion_page(0), 0);
  EXPECT_THAT(LogMessages(1), ElementsAre(no_page_log));

  // A preset page made invalid by a disabled perk is passed over.
  ASSERT_TRUE(Call(TAV_METHOD_PUT, "/perks-e2e/v1/disabled-perks", "[7201]").ok());
  EXPECT_EQ(champion_page(114), 0);
  EXPECT_EQ(champion_page(107), 50);
}

}  // namespace
}  // namespace tav::host
