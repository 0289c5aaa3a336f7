// The fan-out of the plugin's events to the open /events streams.
#include "main/event_stream.h"

#include <gtest/gtest.h>

namespace tav::host {
namespace {

using std::chrono::milliseconds;

TEST(EventStream, FramesCarryIdNameAndPayloadEachOnItsOwnLine) {
  struct Case {
    const char* label;
    std::string name;
    std::string json;
    std::string frame;
  };
  const Case cases[] = {
      {"plain", "OnJsonApiEvent_tav-perks_v1_pages", R"({"uri":"/tav-perks/v1/pages"})",
       "id: 9\nevent: OnJsonApiEvent_tav-perks_v1_pages\ndata: {\"uri\":\"/tav-perks/v1/pages\"}\n\n"},
      {"line breaks in the name stay on its line", "On\nEvil\r", "1", "id: 9\nevent: On Evil \ndata: 1\n\n"},
      {"a payload over several lines", "OnText", "\"a\nb\r\nc\"", "id: 9\nevent: OnText\ndata: \"a\ndata: b\ndata: c\"\n\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(EventStream::Frame(9, c.name, c.json), c.frame);
  }
}

TEST(EventStream, ASlowReaderIsEndedRatherThanLetTheQueueGrow) {
  EventStream events(3);
  auto slow = events.Subscribe("");
  for (int i = 0; i < 5; ++i) events.Publish("OnTick", std::to_string(i));
  EXPECT_TRUE(slow->overflowed());
  // What was queued before the overflow is still delivered, then the end.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(slow->Wait(milliseconds(0)).kind, EventStream::Next::kFrame);
  EXPECT_EQ(slow->Wait(milliseconds(0)).kind, EventStream::Next::kEnded);

  auto fresh = events.Subscribe("");
  events.Publish("OnTick", "5");
  EXPECT_EQ(fresh->Wait(milliseconds(0)).frame, "id: 6\nevent: OnTick\ndata: 5\n\n");
}

}  // namespace
}  // namespace tav::host
