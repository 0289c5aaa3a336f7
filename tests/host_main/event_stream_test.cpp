// The fan-out of the plugin's events to the open /events streams, through a
// history bounded in bytes.
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

// What a stream gives until it would wait: "12" for the frame of id 12 of
// OnTick, "11:lagged" for a frame of another name, "end" when it ended.
std::string Drain(EventStream::Subscriber& subscriber) {
  std::string seen;
  for (;;) {
    EventStream::Next next = subscriber.Wait(milliseconds(0));
    if (next.kind == EventStream::Next::kIdle) return seen;
    if (!seen.empty()) seen += " ";
    if (next.kind == EventStream::Next::kEnded) return seen + "end";
    const std::string& frame = *next.frame;
    const size_t name_at = frame.find("\nevent: ") + 8;
    const std::string name = frame.substr(name_at, frame.find('\n', name_at) - name_at);
    seen += frame.substr(4, frame.find('\n') - 4) + (name == "OnTick" ? "" : ":" + name);
  }
}

TEST(EventStream, AStreamBeginsWhereItsReaderAsks) {
  // Frames of one size, a history of three of them: of ids 10 to 14, 12 to
  // 14 are kept.
  const std::string one = EventStream::Frame(10, "OnTick", "0");
  struct Case {
    const char* label;
    std::string prefix;
    EventStream::Start start;
    std::string seen;
  };
  const Case cases[] = {
      {"new events only", "", EventStream::Start::New(), ""},
      {"the history", "", EventStream::Start::History(), "12 13:OnTock 14"},
      {"the history of one name", "OnTi", EventStream::Start::History(), "12 14"},
      {"after an id still kept", "", EventStream::Start::After(13), "14"},
      {"after the last id", "", EventStream::Start::After(14), ""},
      {"after the id before the oldest kept", "", EventStream::Start::After(11), "12 13:OnTock 14"},
      // The lagged frame's id makes a reconnecting reader resume at 12.
      {"after an id whose successor is gone", "", EventStream::Start::After(10), "11:lagged end"},
      {"after an id never given", "", EventStream::Start::After(99), "11:lagged end"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EventStream events(3 * (one.size() + 6), 10);
    for (int i = 0; i < 5; ++i) events.Publish(i == 3 ? "OnTock" : "OnTick", std::to_string(i));
    auto subscriber = events.Subscribe(c.prefix, c.start);
    EXPECT_EQ(Drain(*subscriber), c.seen);
  }
}

TEST(EventStream, AReaderThatFallsBehindTheHistoryIsToldOnceAndEnded) {
  const std::string one = EventStream::Frame(1, "OnTick", "0");
  EventStream events(4 * (one.size() + 6));
  auto slow = events.Subscribe("");
  auto quick = events.Subscribe("");
  for (int i = 0; i < 4; ++i) events.Publish("OnTick", std::to_string(i));
  EXPECT_EQ(Drain(*quick), "1 2 3 4");
  for (int i = 4; i < 8; ++i) events.Publish("OnTick", std::to_string(i));

  EventStream::Next lagged = slow->Wait(milliseconds(0));
  ASSERT_EQ(lagged.kind, EventStream::Next::kFrame);
  EXPECT_EQ(*lagged.frame, "id: 4\nevent: lagged\ndata: {\"lastSeenId\":0,\"oldestKeptId\":5}\n\n");
  EXPECT_EQ(slow->Wait(milliseconds(0)).kind, EventStream::Next::kEnded);
  EXPECT_TRUE(slow->lagged());
  // The reader that kept up goes on; the lagged one resumes where it was told.
  EXPECT_EQ(Drain(*quick), "5 6 7 8");
  EXPECT_EQ(Drain(*events.Subscribe("", EventStream::Start::After(4))), "5 6 7 8");

  const EventStream::Stats stats = events.stats();
  EXPECT_EQ(stats.last_id, 8u);
  EXPECT_EQ(stats.kept_frames, 4u);
  EXPECT_EQ(stats.lagged_streams, 1u);
  // A frame larger than the whole history is still kept, alone.
  events.Publish("OnTick", std::string(1000, '7'));
  EXPECT_EQ(events.stats().kept_frames, 1u);
  EXPECT_EQ(Drain(*quick), "9");
}

}  // namespace
}  // namespace tav::host
