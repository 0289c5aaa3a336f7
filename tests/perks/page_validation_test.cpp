#include "perks/page_validation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tav::perks {
namespace {

api::PerkStyleSlotResource Slot(std::string type, std::vector<int32_t> perks) {
  api::PerkStyleSlotResource slot;
  slot.type = std::move(type);
  slot.perks = std::move(perks);
  return slot;
}

// Two styles of six slots each: keystone, two regular rows, one row usable
// from either side, two rows usable only as sub-style. Perk 113 sits in two
// rows of Ember; perk 129 sits in a row of Ember but is missing from the
// perk table.
class PageValidationTest : public ::testing::Test {
 protected:
  PageValidationTest() {
    api::PerkStyleResource ember;
    ember.id = 100;
    ember.slots = {Slot("kKeyStone", {101, 102}),     Slot("kRegular", {111, 112, 113}),
                   Slot("kRegular", {121, 113, 129}), Slot("kMixedRegularSplashable", {131, 132}),
                   Slot("kSplashable", {141, 142}),   Slot("kSplashable", {151, 152})};
    ember.defaultPerks = {101, 111, 121, 131, 241, 251};
    ember.defaultPerksWhenSplashed = {141, 151};
    api::PerkStyleResource frost;
    frost.id = 200;
    frost.slots = {Slot("kKeyStone", {201, 202}),   Slot("kRegular", {211, 212}),
                   Slot("kRegular", {221, 222}),    Slot("kMixedRegularSplashable", {231, 232}),
                   Slot("kSplashable", {241, 242}), Slot("kSplashable", {251, 252})};
    frost.defaultPerks = {201, 211, 221, 231, 141, 151};
    frost.defaultPerksWhenSplashed = {241, 251, 231};
    styles_ = {ember, frost};
    Reload();
  }

  void Reload() {
    catalogue_ = PerkCatalogue();
    std::vector<api::PerkGDSResource> perks;
    for (const api::PerkStyleResource& style : styles_) {
      for (const api::PerkStyleSlotResource& slot : style.slots) {
        for (int32_t id : slot.perks) {
          if (id == 129) continue;
          api::PerkGDSResource perk;
          perk.id = id;
          perks.push_back(perk);
        }
      }
    }
    catalogue_.ApplyPerksDocument(perks);
    catalogue_.ApplyStylesDocument(styles_, true);
  }

  static api::PerkPageResource Page(int32_t primary, int32_t sub, std::vector<int32_t> perks) {
    api::PerkPageResource page;
    page.primaryStyleId = primary;
    page.subStyleId = sub;
    page.selectedPerkIds = std::move(perks);
    return page;
  }

  std::vector<api::PerkStyleResource> styles_;
  PerkCatalogue catalogue_;
};

TEST_F(PageValidationTest, JudgesSlotsStylesAndPerks) {
  struct Case {
    const char* desc;
    int32_t primary, sub;
    std::vector<int32_t> perks;
    std::vector<int32_t> disabled;
    bool valid;
  };
  const Case kCases[] = {
      {"four primary rows and two splash rows", 100, 200, {101, 111, 121, 131, 241, 251}, {}, true},
      {"order of the ids does not matter", 100, 200, {251, 131, 101, 241, 121, 111}, {}, true},
      {"same style on both sides", 100, 100, {101, 111, 121, 131, 141, 151}, {}, false},
      {"five ids", 100, 200, {101, 111, 121, 131, 241}, {}, false},
      {"seven ids, one of them 0", 100, 200, {101, 111, 0, 121, 131, 241, 251}, {}, true},
      {"-1 counts as no selection", 100, 200, {-1, 101, 111, 121, 131, 241, 251}, {}, true},
      {"seven real ids", 100, 200, {101, 111, 121, 131, 241, 251, 252}, {}, false},
      {"two ids of one primary slot", 100, 200, {101, 102, 121, 131, 241, 251}, {}, false},
      {"a perk of two rows takes both", 100, 200, {101, 113, 111, 131, 241, 251}, {}, false},
      {"two ids of one splash slot", 100, 200, {101, 111, 121, 131, 241, 242}, {}, false},
      {"a disabled perk", 100, 200, {101, 111, 121, 131, 241, 251}, {121}, false},
      {"other perks disabled", 100, 200, {101, 111, 121, 131, 241, 251}, {112, 999}, true},
      {"sub-style mixed row", 100, 200, {101, 111, 121, 131, 231, 251}, {}, true},
      {"third splash from mixed row", 200, 100, {201, 211, 221, 131, 141, 151}, {}, false},
      {"primary mixed row", 200, 100, {201, 211, 221, 231, 141, 151}, {}, true},
      {"primary splash-only row", 100, 200, {101, 111, 121, 141, 241, 251}, {}, false},
      {"a regular row of the sub-style", 100, 200, {101, 111, 121, 131, 211, 251}, {}, false},
      {"three primary and three splash perks", 100, 200, {101, 111, 121, 231, 241, 251}, {}, false},
      {"perk not in the table", 100, 200, {101, 111, 129, 131, 241, 251}, {}, false},
      {"unknown perk", 100, 200, {101, 111, 121, 131, 241, 9999}, {}, false},
      {"unknown sub-style", 100, 300, {101, 111, 121, 131, 241, 251}, {}, false},
      {"no primary style", -1, 200, {101, 111, 121, 131, 241, 251}, {}, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.desc);
    EXPECT_EQ(ValidatePage(Page(c.primary, c.sub, c.perks), catalogue_, c.disabled), c.valid);
  }
}

TEST_F(PageValidationTest, RepairReplacesMisplacedSelections) {
  struct Case {
    const char* desc;
    std::vector<int32_t> perks;
    std::vector<int32_t> repaired;
    std::vector<uint32_t> changed;
  };
  const Case kCases[] = {
      {"nothing to repair", {101, 111, 121, 131, 241, 251}, {101, 111, 121, 131, 241, 251}, {}},
      {"position 2 from the primary defaults",
       {101, 111, 111, 131, 241, 251},
       {101, 111, 121, 131, 241, 251},
       {2}},
      {"position 5 in the keystone slot takes a free splash slot",
       {101, 111, 121, 131, 241, 201},
       {101, 111, 121, 131, 241, 251},
       {5}},
      {"both sides, primary positions first",
       {101, 9999, 121, 131, 201, 202},
       {101, 111, 121, 131, 241, 251},
       {1, 4, 5}},
      {"empty selections are skipped", {0, -1, 121, 131, 0, -1}, {0, -1, 121, 131, 0, -1}, {}},
      {"two selections of one splash slot are left alone",
       {101, 111, 121, 131, 241, 242},
       {101, 111, 121, 131, 241, 242},
       {}},
      {"a short list is repaired as far as it goes", {111}, {101}, {0}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.desc);
    api::PerkPageResource page = Page(100, 200, c.perks);
    EXPECT_EQ(AutoRepairPage(page, catalogue_), c.changed);
    EXPECT_EQ(page.selectedPerkIds, c.repaired);
  }
}

TEST_F(PageValidationTest, RepairLeavesWhatItCannotMend) {
  // The only splash candidate that fits sits in the slot position 4 uses.
  styles_[1].defaultPerksWhenSplashed = {241, 201};
  // Defaults that stop before position 2.
  styles_[0].defaultPerks = {101, 111};
  Reload();
  api::PerkPageResource page = Page(100, 200, {101, 111, 111, 131, 241, 201});
  EXPECT_EQ(AutoRepairPage(page, catalogue_), std::vector<uint32_t>{});
  EXPECT_EQ(page.selectedPerkIds, (std::vector<int32_t>{101, 111, 111, 131, 241, 201}));

  // A default that is itself misplaced changes nothing, so nothing is marked.
  styles_[0].defaultPerks = {101, 111, 111, 131};
  Reload();
  EXPECT_EQ(AutoRepairPage(page, catalogue_), std::vector<uint32_t>{});

  page = Page(300, 400, {1, 2, 3, 4, 5, 6});
  EXPECT_EQ(AutoRepairPage(page, catalogue_), std::vector<uint32_t>{});
  EXPECT_EQ(page.selectedPerkIds, (std::vector<int32_t>{1, 2, 3, 4, 5, 6}));
}

}  // namespace
}  // namespace tav::perks
