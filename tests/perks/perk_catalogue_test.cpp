#include "perks/perk_catalogue.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "binding/binding_type_registry.h"
#include "binding/builtin_types.h"
#include "binding/json_reader.h"
#include "binding/native_conversion.h"
#include "perks/api/register_api_types.h"
#include "perks/page_validation.h"

namespace tav::perks {
namespace {

constexpr int32_t kMax = 2147483647;

api::PerkGDSResource Perk(int32_t id, std::string version = "", std::string name = "") {
  api::PerkGDSResource perk;
  perk.id = id;
  perk.name = std::move(name);
  perk.majorChangePatchVersion = std::move(version);
  return perk;
}

api::PerkStyleSlotResource Slot(std::vector<int32_t> perks, std::string label) {
  api::PerkStyleSlotResource slot;
  slot.type = "kRegular";
  slot.perks = std::move(perks);
  slot.slotLabel = std::move(label);
  return slot;
}

api::PerkStyleResource Style(int32_t id, bool advanced = false) {
  api::PerkStyleResource style;
  style.id = id;
  style.isAdvanced = advanced;
  style.name = "Style " + std::to_string(id);
  style.defaultPageName = "Default " + std::to_string(id);
  style.defaultSubStyle = id + 1;
  style.defaultPerks = {id + 1, id + 2};
  style.slots = {Slot({id + 1, id + 2}, "Row A"), Slot({id + 3}, "Row B")};
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

TEST(PerkCatalogue, ParsesOnlyWholeVersionTexts) {
  struct Case {
    const char* text;
    std::optional<GameplayPatchVersion> version;
  };
  const Case kCases[] = {
      {"10.1", GameplayPatchVersion{10, 1, 0}},
      {"10.1b", GameplayPatchVersion{10, 1, 'b'}},
      {"0.5", GameplayPatchVersion{0, 5, 0}},
      {"4294967295.7Z", GameplayPatchVersion{4294967295u, 7, 'Z'}},
      {"V10", std::nullopt},
      {"10.1.2", std::nullopt},
      {"10.", std::nullopt},
      {"10.1bc", std::nullopt},
      {" 10.1", std::nullopt},
      {"4294967296.1", std::nullopt},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    std::optional<GameplayPatchVersion> version = ParseGameplayPatchVersion(c.text);
    ASSERT_EQ(version.has_value(), c.version.has_value());
    if (!version) continue;
    EXPECT_EQ(version->major, c.version->major);
    EXPECT_EQ(version->minor, c.version->minor);
    EXPECT_EQ(version->suffix, c.version->suffix);
  }
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
       {Perk(1, "10.0"), Perk(2, "0.5"), Perk(3, "V10"), Perk(4, "10.1.2")},
       "3.2",
       {7}},
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

TEST(PerkCatalogue, StylesViewListsOnlyKnownSlotPerks) {
  PerkCatalogue catalogue;
  api::PerkStyleResource style = Style(100);
  style.slots = {Slot({103, 101, 102}, "Row A"), Slot({104}, "Row B")};
  style.defaultPerksWhenSplashed = {103};
  catalogue.ApplyStylesDocument({style}, false);
  catalogue.ApplyPerksDocument({Perk(101), Perk(103)});

  std::vector<api::PerkUIStyle> view = catalogue.StylesView();
  ASSERT_EQ(view.size(), 1u);
  ASSERT_EQ(view[0].slots.size(), 2u);
  EXPECT_EQ(view[0].slots[0].perks, (std::vector<int32_t>{103, 101}));
  EXPECT_EQ(view[0].slots[0].slotLabel, "Row A");
  EXPECT_EQ(view[0].slots[1].perks, std::vector<int32_t>{});
  EXPECT_EQ(view[0].defaultPageName, "Default 100");

  catalogue.ApplyPerksDocument({Perk(104, "", "Late arrival")});
  EXPECT_EQ(catalogue.StylesView()[0].slots[1].perks, std::vector<int32_t>{104});
  EXPECT_EQ(catalogue.PerksView().size(), 3u);
  EXPECT_EQ(catalogue.LookUpPerk(104).name, "Late arrival");
  EXPECT_EQ(catalogue.LookUpPerk(102).id, -1);
}

template <class T>
std::vector<T> ReadSampleDocument(const std::string& name, const BindingTypeRegistry& registry) {
  std::ifstream file(std::string(TAV_TESTDATA_DIR) + "/../../data/" + name, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  BindingResult parsed = ParseJson(text.str());
  EXPECT_TRUE(parsed.ok()) << name << ": " << parsed.error();
  std::vector<T> elements;
  BindingResult converted;
  FromBinding(converted, elements, parsed.value(), "<value>", registry);
  EXPECT_TRUE(converted.ok()) << name << ": " << converted.error();
  return elements;
}

// The sample game data is consistent: its latest patch counts and every
// style's default page is a valid page.
TEST(PerkCatalogue, SampleGameDataMakesValidPresets) {
  BindingTypeRegistry registry;
  RegisterBuiltinTypes(registry);
  api::RegisterApiTypes(registry, "TavPerks");
  PerkCatalogue catalogue;
  catalogue.ApplyPerksDocument(ReadSampleDocument<api::PerkGDSResource>("perks.json", registry));
  catalogue.ApplyStylesDocument(
      ReadSampleDocument<api::PerkStyleResource>("perkstyles.json", registry), true);

  EXPECT_EQ(catalogue.latest_gameplay_patch(), "14.3b");
  EXPECT_FALSE(catalogue.gameplay_updated_perks().empty());
  ASSERT_EQ(catalogue.preset_pages().size(), catalogue.styles().size());
  for (const api::PerkPageResource& preset : catalogue.preset_pages()) {
    SCOPED_TRACE(preset.name);
    EXPECT_TRUE(ValidatePage(preset, catalogue, {}));
  }
}

}  // namespace
}  // namespace tav::perks
