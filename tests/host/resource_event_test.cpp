#include "host/resource_event.h"

#include <gtest/gtest.h>

#include "host/json_text.h"

namespace tav::host {
namespace {

TEST(ResourceEvent, NameKeepsTheFirstSegments) {
  const struct {
    const char* path;
    const char* name;
  } cases[] = {
      {"/tav-perks/v1/pages/7", "OnJsonApiEvent_tav-perks_v1_pages"},
      {"/tav-perks/v1/currentpage", "OnJsonApiEvent_tav-perks_v1_currentpage"},
      {"/x", "OnJsonApiEvent_x"},
      {"/", "OnJsonApiEvent"},
      {"", "OnJsonApiEvent"},
      {"tav-login/v1/session", "OnJsonApiEvent_tav-login_v1_session"},
      {"//tav-login//v1/session/", "OnJsonApiEvent_tav-login_v1_session"},
      {"/tav-settings/v2/ready?x=1/2", "OnJsonApiEvent_tav-settings_v2_ready"},
      {"/tav-platform-config/v1/namespaces/Perks/PerksEnabled/x",
       "OnJsonApiEvent_tav-platform-config_v1_namespaces_Perks_PerksEnabled"},
      {"/tav-platform-config/v1/namespaces/Perks", "OnJsonApiEvent_tav-platform-config_v1_namespaces_Perks"},
      // Only a first segment of that name earns five.
      {"/x/tav-platform-config/v1/namespaces/Perks", "OnJsonApiEvent_x_tav-platform-config_v1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(ResourceEventName(c.path), c.name);
  }
}

TEST(ResourceEvent, PayloadCarriesUriTypeAndData) {
  rapidjson::Document data = JsonValue(R"({"pages":[1,2]})");
  EXPECT_EQ(JsonText(ResourceEventPayload("/a/b", ResourceEventType::kUpdate, &data)),
            R"({"uri":"/a/b","eventType":"Update","data":{"pages":[1,2]}})");
  EXPECT_EQ(JsonText(ResourceEventPayload("/a/b", ResourceEventType::kDelete, nullptr)),
            R"({"uri":"/a/b","eventType":"Delete","data":null})");
}

}  // namespace
}  // namespace tav::host
