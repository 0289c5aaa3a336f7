// The fan-out behind GET /events: every event the plugin sends becomes one
// Server-Sent Events frame with an id, kept in a history bounded in bytes,
// from which every open stream reads at its own pace.
//
//   EventStream events;
//   auto subscriber = events.Subscribe("OnJsonApiEvent_tav-perks");  // name prefix; "" for all
//   events.Publish("OnJsonApiEvent_tav-perks_v1_pages", R"({"uri":"/tav-perks/v1/pages"})");
//   EventStream::Next next = subscriber->Wait(std::chrono::seconds(15));
//   // next.frame == "id: 1\nevent: OnJsonApiEvent_tav-perks_v1_pages\ndata: {...}\n\n"
//
// The history is the only copy of the frames: a stream is a position in it,
// so memory does not grow with the number of streams or with how far one
// falls behind. Publish never waits for a reader. A stream whose next frame
// has already left the history has fallen behind by more than the history
// holds: it gets one "lagged" frame, whose id lets a reconnecting reader
// resume at the oldest frame still kept, and then ends.
#ifndef TAV_HOST_MAIN_EVENT_STREAM_H_
#define TAV_HOST_MAIN_EVENT_STREAM_H_

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tav::host {

class EventStream {
 public:
  static constexpr size_t kDefaultHistoryBytes = 1u << 20;
  static constexpr const char* kLaggedEvent = "lagged";

  struct Next {
    enum Kind { kFrame, kIdle, kEnded };
    Kind kind = kIdle;
    std::shared_ptr<const std::string> frame;  // set for kFrame
  };

  class Subscriber {
   public:
    // The next frame for this stream; kIdle when `timeout` passed without
    // one; kEnded once the stream was closed, or after its "lagged" frame.
    Next Wait(std::chrono::milliseconds timeout);
    bool lagged() const;

   private:
    friend class EventStream;
    Subscriber(EventStream* stream, std::string prefix, uint64_t next_id)
        : stream_(stream), prefix_(std::move(prefix)), next_id_(next_id) {}

    EventStream* const stream_;
    const std::string prefix_;
    // Guarded by the stream's mutex.
    uint64_t next_id_;
    std::optional<uint64_t> foreign_id_;  // a last id the stream never gave
    bool ended_ = false;
    bool lagged_ = false;
  };

  // Where a new stream begins.
  struct Start {
    enum Kind { kNew, kHistory, kAfter };
    Kind kind = kNew;
    uint64_t last_id = 0;  // for kAfter: the last id the reader saw

    static Start New() { return {kNew, 0}; }
    static Start History() { return {kHistory, 0}; }
    static Start After(uint64_t id) { return {kAfter, id}; }
  };

  // `history_bytes`: how many bytes of frames are kept (the newest frame is
  // kept whatever its size). `first_id`: the id of the first frame; a
  // program that starts it from the clock gives ids that keep growing
  // across restarts, so a reader's id from an earlier run is never taken
  // for one of this run.
  explicit EventStream(size_t history_bytes = kDefaultHistoryBytes, uint64_t first_id = 1);

  // Thread-safe. The subscriber, which must not outlive the stream, gets, in order, the frames whose event name
  // starts with `name_prefix`: from now on (kNew); every one still kept,
  // then the new ones (kHistory); or those after `last_id` (kAfter). An id
  // that is not among the frames published so far, or whose successors have
  // left the history, gives a stream that lags at once.
  std::shared_ptr<Subscriber> Subscribe(std::string name_prefix, Start start = Start::New());
  void Unsubscribe(const std::shared_ptr<Subscriber>& subscriber);
  // Thread-safe. `json` is the payload as compact JSON text.
  void Publish(std::string_view name, std::string_view json);
  // Ends every stream, now and for later subscribers.
  void Close();

  size_t subscriber_count() const;
  struct Stats {
    uint64_t last_id = 0;        // 0 before the first frame
    size_t kept_frames = 0;
    size_t kept_bytes = 0;
    size_t history_bytes = 0;    // the bound
    uint64_t lagged_streams = 0; // streams ended for falling behind
  };
  Stats stats() const;

  // "id: <id>\nevent: <name>\ndata: <json>\n\n"; line breaks in the name
  // or the payload are written so that each stays one field.
  static std::string Frame(uint64_t id, std::string_view name, std::string_view json);
  // The frame that ends a stream which fell behind: its id is the one
  // before the oldest kept frame, and its data is
  // {"lastSeenId": <the reader's last id>, "oldestKeptId": <oldest kept>}.
  static std::string LaggedFrame(uint64_t last_seen, uint64_t oldest_kept);

 private:
  // A frame of the history; its id follows from its place.
  struct Kept {
    std::string name;
    std::shared_ptr<const std::string> frame;
  };

  // With the mutex held: the subscriber's next frame, if any.
  std::optional<Next> TakeNext(Subscriber& subscriber);
  uint64_t oldest_id() const { return next_id_ - history_.size(); }

  const size_t history_bytes_;
  mutable std::mutex mutex_;
  std::condition_variable published_;
  std::vector<std::shared_ptr<Subscriber>> subscribers_;
  std::deque<Kept> history_;
  size_t kept_bytes_ = 0;
  uint64_t next_id_;
  uint64_t lagged_streams_ = 0;
  bool closed_ = false;
};

}  // namespace tav::host

#endif  // TAV_HOST_MAIN_EVENT_STREAM_H_
