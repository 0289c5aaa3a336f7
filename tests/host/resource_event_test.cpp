#include "host/resource_event.h"

#include <gtest/gtest.h>

#include "host/json_text.h"

namespace tav::host {
namespace {

TEST(ResourceEvent, PayloadCarriesUriTypeAndData) {
  rapidjson::Document data = JsonValue(R"({"pages":[1,2]})");
  EXPECT_EQ(JsonText(ResourceEventPayload("/a/b", ResourceEventType::kUpdate, &data)),
            R"({"uri":"/a/b","eventType":"Update","data":{"pages":[1,2]}})");
  EXPECT_EQ(JsonText(ResourceEventPayload("/a/b", ResourceEventType::kDelete, nullptr)),
            R"({"uri":"/a/b","eventType":"Delete","data":null})");
}

}  // namespace
}  // namespace tav::host
