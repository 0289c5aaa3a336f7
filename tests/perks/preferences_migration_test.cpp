#include "perks/preferences_migration.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tav::perks {
namespace {

using ::testing::ElementsAre;

TEST(PreferencesMigration, EditablePagesAreNumberedInOrder) {
  struct StoredPage {
    const char* name;
    int32_t order;
    bool editable;
  };
  const StoredPage stored[] = {{"c", 9, true},  {"preset", 2147483640, false}, {"a", -3, true},
                               {"b", 9, true},  {"locked", 4, false},          {"d", 40, true}};
  std::vector<api::PerkPageResource> pages;
  for (const StoredPage& stored_page : stored) {
    api::PerkPageResource page;
    page.name = stored_page.name;
    page.order = stored_page.order;
    page.isEditable = stored_page.editable;
    pages.push_back(page);
  }
  RenumberMigratedPages(pages);
  std::vector<std::string> result;
  for (const api::PerkPageResource& page : pages) {
    result.push_back(page.name + ":" + std::to_string(page.order));
  }
  // "c" and "b" share an order and keep their places; non-editable pages
  // keep their orders and are not counted.
  EXPECT_THAT(result, ElementsAre("a:0", "locked:4", "c:1", "b:2", "d:3", "preset:2147483640"));
}

}  // namespace
}  // namespace tav::perks
