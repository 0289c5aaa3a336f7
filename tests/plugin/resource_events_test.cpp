#include "plugin/resource_events.h"

#include <gtest/gtest.h>

#include "loaded_plugin.h"

namespace tav {
namespace events_test {

using EventsTest = CallsTest;

// The plugin's other publications are checked through the perks module end
// to end; here the one whose own event name is the base name, sent once.
TEST_F(EventsTest, PublishUnderTheBaseNameSendsTheEventOnce) {
  module.PublishResource("/", int32_t{1}, PluginResourceEventType::Delete);
  ASSERT_EQ(core.sent_events.size(), 1u);
  EXPECT_EQ(core.sent_events[0].name, "OnJsonApiEvent");
  EXPECT_EQ(core.sent_events[0].payload, R"({"data":1,"eventType":"Delete","uri":"/"})");
}

// A module that was not loaded has no types to convert the event with.
TEST(ResourceEvents, SendingFromAModuleThatWasNotLoadedFails) {
  PluginResourceEvent event;
  event.data.MutableElement(0).SetInt64(8008);
  MaybeType<Failure, Empty> unregistered = AppModule().SendResourceEvent("OnJsonApiEvent", event);
  ASSERT_FALSE(unregistered.ok());
  EXPECT_EQ(unregistered.failure().message,
            "Couldn't convert native value because it's an unregistered structure.");
}

}  // namespace events_test
}  // namespace tav
