#include "perks/json_text_value.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "perks/api/perk_settings_types.h"
#include "perks/api/register_api_types.h"

namespace tav::perks {
namespace {

using ::testing::ElementsAre;
using ::testing::Optional;
namespace api = Vexa::Client::Perks::Api;

TEST(JsonTextValue, PerkIdListsFromOtherServices) {
  BindingTypeRegistry registry;
  struct Case {
    const char* text;
    std::optional<std::vector<int32_t>> ids;
  };
  const Case cases[] = {
      {"[7101, 7202]", std::vector<int32_t>{7101, 7202}},
      {" [] ", std::vector<int32_t>{}},
      {"[-1]", std::vector<int32_t>{-1}},
      {"", std::nullopt},
      {"[7101,", std::nullopt},
      {"[7101] [7102]", std::nullopt},
      {"{\"ids\":[7101]}", std::nullopt},
      {"[2147483648]", std::nullopt},
      {"[[7101]]", std::nullopt},
      {"null", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ReadJsonTextAs<std::vector<int32_t>>(c.text, registry), c.ids);
  }
}

TEST(JsonTextValue, AnOlderStoredDocument) {
  BindingTypeRegistry registry;
  Vexa::Client::Perks::Api::RegisterApiTypes(registry, "TavPerks");
  const auto settings = ReadJsonTextAs<api::PerkSettings>(
      R"({"pages":[{"id":4,"name":"Dawn","order":2}],"settings":{"gridModeEnabled":true}})",
      registry);
  ASSERT_TRUE(settings.has_value());
  ASSERT_EQ(settings->pages.size(), 1u);
  EXPECT_EQ(settings->pages[0].name, "Dawn");
  EXPECT_TRUE(settings->pages[0].isEditable);  // left out: the default
  EXPECT_TRUE(settings->settings.gridModeEnabled);
  EXPECT_TRUE(settings->settings.showPresetPages);
  EXPECT_FALSE(ReadJsonTextAs<api::PerkSettings>(R"({"pages":7})", registry).has_value());
}

}  // namespace
}  // namespace tav::perks
