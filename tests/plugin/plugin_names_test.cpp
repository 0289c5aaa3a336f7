// The names a plugin derives from its short name, its version and its paths.
#include <gtest/gtest.h>

#include "log/capture_log_target.h"
#include "log/log_category.h"
#include "log/logger.h"
#include "plugin/plugin_api_version.h"
#include "plugin/plugin_identity.h"
#include "plugin/resource_event_name.h"
#include "plugin/to_identifier.h"

namespace tav {
namespace {

TEST(ToIdentifier, DropsSeparatorsAndCapitalisesWhatFollows) {
  struct Row {
    const char* prefix;
    const char* name;
    const char* identifier;
  };
  const Row rows[] = {
      {"", "tav-perks", "TavPerks"},
      {"", "x{y}", "XByY"},
      {"", "!a+b-c.d/e_f", "ABCDEF"},
      {"", "already_Camel", "AlreadyCamel"},
      {"", "", ""},
      {"GET", "/tav-perks/v1/pages/{id}", "GetTavPerksV1PagesById"},
      {"DELETE", "/tav-perks/v1/pages/{id}/auto-modified-selections",
       "DeleteTavPerksV1PagesByIdAutoModifiedSelections"},
      {"put", "/x", "PutX"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.prefix) + " " + row.name);
    EXPECT_EQ(ToIdentifierWithPrefix(row.prefix, row.name), row.identifier);
  }
}

TEST(PluginApiVersion, CoreMustShareTheMajorAndBeAtLeastAsNew) {
  struct Row {
    PluginApiVersion core;
    bool compatible;
  };
  const Row rows[] = {
      {{18, 0, 0}, true},  {{18, 0, 1}, true},  {{18, 5, 0}, true},
      {{17, 9, 9}, false}, {{19, 0, 0}, false}, {{0, 0, 0}, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.core.ToText());
    EXPECT_EQ(IsCoreCompatible(row.core, kPluginApiVersion), row.compatible);
  }
  // A plugin at x.3.5 needs a core at x.3.5 or newer within x.
  const PluginApiVersion plugin{2, 3, 5};
  EXPECT_FALSE(IsCoreCompatible({2, 3, 4}, plugin));
  EXPECT_TRUE(IsCoreCompatible({2, 4, 0}, plugin));
  EXPECT_FALSE(IsCoreCompatible({2, 2, 9}, plugin));
}

TEST(ResourceEventName, KeepsThreeSegmentsOrFiveForPlatformConfig) {
  struct Row {
    const char* path;
    const char* event;
  };
  const Row rows[] = {
      {"/tav-perks/v1/pages/7", "OnJsonApiEvent_tav-perks_v1_pages"},
      {"/x", "OnJsonApiEvent_x"},
      {"x//y///z/w", "OnJsonApiEvent_x_y_z"},
      {"/", "OnJsonApiEvent"},
      {"", "OnJsonApiEvent"},
      {"/tav-platform-config/v1/namespaces/Perks/PerksEnabled/x",
       "OnJsonApiEvent_tav-platform-config_v1_namespaces_Perks_PerksEnabled"},
      {"/tav-platform-config/v1/namespaces/Perks",
       "OnJsonApiEvent_tav-platform-config_v1_namespaces_Perks"},
      {"/v1/tav-platform-config/a/b/c", "OnJsonApiEvent_v1_tav-platform-config_a"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(ResourceEventName(row.path), row.event);
  }
}

}  // namespace
}  // namespace tav
