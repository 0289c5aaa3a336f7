#include "perks/settings_merge.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tav::perks {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

api::PerkStyleSlotResource Slot(std::string type, std::vector<int32_t> perks) {
  api::PerkStyleSlotResource slot;
  slot.type = std::move(type);
  slot.perks = std::move(perks);
  return slot;
}

api::PerkStyleResource Style(int32_t id, int32_t base) {
  api::PerkStyleResource style;
  style.id = id;
  style.slots = {Slot("kKeyStone", {base + 1, base + 2}),
                 Slot("kMixedRegularSplashable", {base + 11, base + 12}),
                 Slot("kMixedRegularSplashable", {base + 21, base + 22}),
                 Slot("kMixedRegularSplashable", {base + 31, base + 32})};
  style.defaultPerks = {base + 1, base + 11, base + 21, base + 31, 0, 0};
  style.defaultPerksWhenSplashed = {base + 12, base + 22};
  return style;
}

api::PerkPageResource Page(int32_t id, int32_t primary, int32_t sub, std::vector<int32_t> perks) {
  api::PerkPageResource page;
  page.id = id;
  page.name = "Page " + std::to_string(id);
  page.primaryStyleId = primary;
  page.subStyleId = sub;
  page.selectedPerkIds = std::move(perks);
  return page;
}

// Two styles, Lantern (300, perks 3xx) and Harbor (400, perks 4xx); their
// preset pages get the ids 50 and 51. Gameplay changes came with "9.4".
class SettingsMergeTest : public ::testing::Test {
 protected:
  SettingsMergeTest() {
    std::vector<api::PerkStyleResource> styles = {Style(300, 300), Style(400, 400)};
    std::vector<api::PerkGDSResource> perks;
    for (const api::PerkStyleResource& style : styles) {
      for (const api::PerkStyleSlotResource& slot : style.slots) {
        for (int32_t id : slot.perks) {
          api::PerkGDSResource perk;
          perk.id = id;
          perk.majorChangePatchVersion = id == 311 ? "9.4" : "";
          perks.push_back(perk);
        }
      }
    }
    catalogue_.ApplyPerksDocument(perks);
    catalogue_.ApplyStylesDocument(styles, true);
  }

  StoredPagesMerge Merge(std::optional<uint32_t> owned = std::nullopt, bool repair = true,
                         std::string shard = "west") {
    return MergeStoredPages(stored_, catalogue_, disabled_, {shard, repair, owned});
  }

  static std::vector<int32_t> Ids(const PageMap& pages) {
    std::vector<int32_t> ids;
    for (const auto& entry : pages) ids.push_back(entry.first);
    return ids;
  }

  // A valid Lantern page with Harbor as sub-style.
  static api::PerkPageResource LanternPage(int32_t id) {
    return Page(id, 300, 400, {301, 311, 321, 331, 412, 422});
  }

  PerkCatalogue catalogue_;
  api::PerkSettings stored_;
  std::vector<int32_t> disabled_;
};

TEST_F(SettingsMergeTest, KeepsTheShardsPagesThatFitTheGameData) {
  api::PerkBook& book = stored_.perShardPerkBooks["west"];
  book.currentPageId = 7;
  book.pages = {LanternPage(7),
                Page(50, 300, 400, {}),             // a preset's id
                Page(8, 399, 400, {}),              // unknown primary style
                Page(9, 300, 498, {}),              // unknown sub-style
                Page(10, -1, -1, {301, 0, 0, 0, 0, 0, 0, 311, 321}),  // no styles, nine ids
                Page(11, 300, 300, {301, 311, 321, 331, 312, 322}),
                LanternPage(0)};                    // no page id
  book.pages[0].isActive = true;
  book.pages[0].autoModifiedSelections = {4};
  stored_.pages = {LanternPage(12)};  // the shard has a book: not read
  disabled_ = {321};
  stored_.settings.gameplayPatchVersionSeen = "9.4";  // nothing to reset

  StoredPagesMerge merged = Merge();
  EXPECT_THAT(Ids(merged.pages), ElementsAre(7, 10, 11, 50, 51));
  EXPECT_EQ(merged.current_page_id, 7);
  EXPECT_FALSE(merged.pages_repaired);
  EXPECT_FALSE(merged.write_back);
  // The presets come from the catalogue, not from storage.
  EXPECT_TRUE(merged.pages.at(50).selectedPerkIds == catalogue_.preset_pages()[0].selectedPerkIds);
  EXPECT_FALSE(merged.pages.at(50).isEditable);

  const api::PerkPageResource& lantern = merged.pages.at(7);
  EXPECT_FALSE(lantern.isActive);
  EXPECT_THAT(lantern.autoModifiedSelections, IsEmpty());
  EXPECT_FALSE(lantern.isValid);  // 321 is disabled
  EXPECT_THAT(merged.pages.at(10).selectedPerkIds, ElementsAre(301, 0, 0, 0, 0, 0));
  EXPECT_FALSE(merged.pages.at(11).isValid);  // one style on both sides
}

TEST_F(SettingsMergeTest, TheOwnedCountLimitsOnlyOnceKnown) {
  // Five stored pages; the second names an unknown style and does not count.
  stored_.perShardPerkBooks["west"].pages = {LanternPage(1), Page(2, 999, 400, {}), LanternPage(3),
                                             LanternPage(4), LanternPage(5)};
  struct Case {
    const char* desc;
    std::optional<uint32_t> owned;
    std::vector<int32_t> ids;
  };
  const Case cases[] = {
      {"count not known yet", std::nullopt, {1, 3, 4, 5, 50, 51}},
      {"owns two", 2, {1, 3, 50, 51}},
      {"owns none: one page stays", 0, {1, 50, 51}},
      {"owns more than stored", 20, {1, 3, 4, 5, 50, 51}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.desc);
    EXPECT_THAT(Ids(Merge(c.owned).pages), ElementsAreArray(c.ids));
  }
}

TEST_F(SettingsMergeTest, RepairsMarkThePagesAndAskForAWriteBack) {
  // Position 1 holds a keystone of the wrong row, position 5 a perk of the
  // sub-style's keystone row.
  api::PerkPageResource misplaced = Page(30, 300, 400, {301, 302, 321, 331, 412, 401});
  stored_.perShardPerkBooks["west"].pages = {misplaced, LanternPage(31)};

  StoredPagesMerge merged = Merge();
  EXPECT_TRUE(merged.pages_repaired);
  EXPECT_TRUE(merged.write_back);
  EXPECT_THAT(merged.pages.at(30).selectedPerkIds, ElementsAre(301, 311, 321, 331, 412, 422));
  EXPECT_THAT(merged.pages.at(30).autoModifiedSelections, ElementsAre(1u, 5u));
  EXPECT_TRUE(merged.pages.at(30).isValid);
  EXPECT_THAT(merged.pages.at(31).autoModifiedSelections, IsEmpty());
  // The stored document itself keeps the pages as they were.
  EXPECT_EQ(stored_.perShardPerkBooks["west"].pages[0], misplaced);

  merged = Merge(std::nullopt, /*repair=*/false);
  EXPECT_FALSE(merged.pages_repaired);
  EXPECT_FALSE(merged.write_back);
  EXPECT_THAT(merged.pages.at(30).selectedPerkIds, ElementsAre(301, 302, 321, 331, 412, 401));
  EXPECT_FALSE(merged.pages.at(30).isValid);
}

TEST_F(SettingsMergeTest, GameDataThatCouldNotBeReadDropsNothing) {
  // Neither perks nor styles: no latest patch, no style to judge by.
  catalogue_ = PerkCatalogue();
  stored_.settings.gameplayPatchVersionSeen = "9.4";
  stored_.settings.gameplayUpdatedPerksSeen = {311};
  stored_.perShardPerkBooks["west"].pages = {LanternPage(1), Page(2, 999, 998, {})};
  StoredPagesMerge merged = Merge();
  EXPECT_THAT(Ids(merged.pages), ElementsAre(1, 2));
  EXPECT_FALSE(merged.pages.at(1).isValid);
  EXPECT_FALSE(merged.write_back);
  EXPECT_EQ(stored_.settings.gameplayPatchVersionSeen, "9.4");
  EXPECT_THAT(stored_.settings.gameplayUpdatedPerksSeen, ElementsAre(311));
}

}  // namespace
}  // namespace tav::perks
