#include "perks/perk_catalogue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tav::perks {
namespace {

constexpr int32_t kMax = 2147483647;

api::PerkGDSResource Perk(int32_t id, std::string version = "") {
  api::PerkGDSResource perk;
  perk.id = id;
  perk.majorChangePatchVersion = std::move(version);
  return perk;
}

api::PerkStyleResource Style(int32_t id, bool advanced = false) {
  api::PerkStyleResource style;
  style.id = id;
  style.isAdvanced = advanced;
  style.name = "Style " + std::to_string(id);
  style.defaultPageName = "Default " + std::to_string(id);
  style.defaultSubStyle = id + 1;
  style.defaultPerks = {id + 1, id + 2};
  return style;
}

std::vector<int32_t> ViewIds(const std::vector<api::PerkUIStyle>& view) {
  std::vector<int32_t> ids;
  for (const api::PerkUIStyle& style : view) ids.push_back(style.id);
  return ids;
}

TEST(PerkCatalogue, PresetPagesCountSkippedAdvancedStyles) {
  const std::vector<api::PerkStyleResource> styles = {Style(500), Style(400, true), Style(300),
                                                      Style(200), Style(100)};
  PerkCatalogue catalogue;
  catalogue.ApplyStylesDocument(styles, /*can_use_advanced=*/false);

  const std::vector<api::PerkPageResource>& presets = catalogue.preset_pages();
  ASSERT_EQ(presets.size(), 4u);
  const int32_t kStyles[] = {500, 300, 200, 100};
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(presets[k].id, 50 + k);
    EXPECT_EQ(presets[k].order, kMax - 5 - k);
    EXPECT_EQ(presets[k].primaryStyleId, kStyles[k]);
  }
  EXPECT_FALSE(catalogue.HasStyle(400));
  EXPECT_EQ(ViewIds(catalogue.StylesView()), (std::vector<int32_t>{100, 200, 300, 500}));

  api::PerkPageResource expected;
  expected.id = 51;
  expected.order = kMax - 6;
  expected.name = "Default 300";
  expected.primaryStyleId = 300;
  expected.subStyleId = 301;
  expected.selectedPerkIds = {301, 302};
  expected.isEditable = false;
  expected.isDeletable = false;
  EXPECT_EQ(presets[1], expected);

  catalogue.ApplyStylesDocument(styles, /*can_use_advanced=*/true);
  ASSERT_EQ(catalogue.preset_pages().size(), 5u);
  EXPECT_EQ(catalogue.preset_pages()[4].id, 54);
  EXPECT_EQ(catalogue.preset_pages()[4].order, kMax - 9);
  EXPECT_TRUE(catalogue.HasStyle(400));
}

TEST(PerkCatalogue, LatestGameplayPatchWins) {
  struct Case {
    const char* desc;
    std::vector<api::PerkGDSResource> perks;
    std::string latest;
    std::vector<int32_t> updated;
  };
  const Case kCases[] = {
      {"suffix tops the same minor",
       {Perk(1, "9.5"), Perk(2, "10.1"), Perk(3, "10.1b"), Perk(4, "8.7c"), Perk(5, "10.1b")},
       "10.1b",
       {3, 5}},
      {"major before suffix", {Perk(1, "10.1"), Perk(2, "9.1c")}, "10.1", {1}},
      {"major before suffix, reversed", {Perk(2, "9.1c"), Perk(1, "10.1")}, "10.1", {1}},
      {"minors compare as numbers", {Perk(1, "10.10"), Perk(2, "10.9")}, "10.10", {1}},
      {"the first text of an equal version stays", {Perk(1, "6.02"), Perk(2, "6.2")}, "6.02", {1}},
      {"ids keep document order",
       {Perk(30, "6.2"), Perk(10, "6.2"), Perk(20, "6.2")},
       "6.2",
       {30, 10, 20}},
      {"nothing that counts",
       {Perk(1, "10.0"), Perk(2, "0.5"), Perk(3, "V10"), Perk(4, "10.1.2"), Perk(5, "10."),
        Perk(6, "10.1bc"), Perk(8, " 10.1"), Perk(9, "4294967296.1")},
       "3.2",
       {7}},
      {"the largest major", {Perk(1, "4294967295.7Z"), Perk(2, "10.1")}, "4294967295.7Z", {1}},
      {"a zero minor hides an older version", {Perk(1, "10.0"), Perk(2, "9.5")}, "3.2", {7}},
      {"no versions at all", {Perk(1), Perk(2)}, "3.2", {7}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.desc);
    PerkCatalogue catalogue;
    catalogue.ApplyPerksDocument({Perk(7, "3.2")});
    catalogue.ApplyPerksDocument(c.perks);
    EXPECT_EQ(catalogue.latest_gameplay_patch(), c.latest);
    EXPECT_EQ(catalogue.gameplay_updated_perks(), c.updated);
  }
}

}  // namespace
}  // namespace tav::perks
