#include "plugin/resource_events.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "binding/type_registration.h"
#include "loaded_plugin.h"

namespace tav {
namespace events_test {

struct Lantern {
  int32_t id = 0;
  std::string glow;
};

class EventsTest : public CallsTest {
 protected:
  EventsTest() {
    RegisterStruct<Lantern>(module.registry(), "TestLantern")
        .Field("id", &Lantern::id)
        .Field("glow", &Lantern::glow)
        .Commit();
  }

  std::vector<std::string> SentNames() const {
    std::vector<std::string> names;
    for (const FakeCore::SentEvent& event : core.sent_events) names.push_back(event.name);
    return names;
  }
};

TEST_F(EventsTest, PublishSendsTheSpecificEventAndTheBaseOneWithOnePayload) {
  module.PublishResource("/tav-perks/v1/pages/12", Lantern{7, "amber"});
  EXPECT_EQ(SentNames(), (std::vector<std::string>{"OnJsonApiEvent_tav-perks_v1_pages",
                                                   "OnJsonApiEvent"}));
  const std::string payload =
      R"({"data":{"glow":"amber","id":7},"eventType":"Update","uri":"/tav-perks/v1/pages/12"})";
  EXPECT_EQ(core.sent_events[0].payload, payload);
  EXPECT_EQ(core.sent_events[1].payload, payload);

  // When the specific name is the base name, the event is sent once.
  core.sent_events.clear();
  module.PublishResource("/", int32_t{1}, PluginResourceEventType::Delete);
  EXPECT_EQ(SentNames(), std::vector<std::string>{"OnJsonApiEvent"});
  EXPECT_EQ(core.sent_events[0].payload, R"({"data":1,"eventType":"Delete","uri":"/"})");
}

TEST_F(EventsTest, SendResourceEventNeedsTheCoresTypes) {
  PluginResourceEvent event;
  event.uri = "/tav-perks/v1/perks/disabled";
  event.data.MutableElement(0).SetInt64(8008);
  ASSERT_TRUE(module.SendResourceEvent("OnJsonApiEvent", event).ok());
  EXPECT_EQ(core.sent_events.back().payload,
            R"({"data":[8008],"eventType":"Create","uri":"/tav-perks/v1/perks/disabled"})");

  // A module that was not loaded has no types to convert the event with.
  AppModule bare;
  MaybeType<Failure, Empty> unregistered = bare.SendResourceEvent("OnJsonApiEvent", event);
  ASSERT_FALSE(unregistered.ok());
  EXPECT_EQ(unregistered.failure().message,
            "Couldn't convert native value because it's an unregistered structure.");
  EXPECT_EQ(core.sent_events.size(), 2u);
}

}  // namespace events_test
}  // namespace tav
