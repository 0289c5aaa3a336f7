// The fan-out behind GET /events: every event the plugin sends becomes one
// Server-Sent Events frame, queued for each open stream.
//
//   EventStream events;
//   auto subscriber = events.Subscribe("OnJsonApiEvent_tav-perks");  // name prefix; "" for all
//   events.Publish("OnJsonApiEvent_tav-perks_v1_pages", R"({"uri":"/tav-perks/v1/pages"})");
//   EventStream::Next next = subscriber->Wait(std::chrono::seconds(15));
//   // next.frame == "id: 1\nevent: OnJsonApiEvent_tav-perks_v1_pages\ndata: {...}\n\n"
//
// Publish never blocks on a slow reader: a stream whose queue is full is
// ended (its reader sees kEnded and may reconnect) rather than let the
// queue grow without bound.
#ifndef TAV_HOST_MAIN_EVENT_STREAM_H_
#define TAV_HOST_MAIN_EVENT_STREAM_H_

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace tav::host {

class EventStream {
 public:
  struct Next {
    enum Kind { kFrame, kIdle, kEnded };
    Kind kind = kIdle;
    std::string frame;
  };

  class Subscriber {
   public:
    // The next frame; kIdle when `timeout` passed without one; kEnded once
    // the stream was closed or overflowed and its queue is drained.
    Next Wait(std::chrono::milliseconds timeout);
    bool overflowed() const;

   private:
    friend class EventStream;
    Subscriber(std::string prefix, size_t capacity) : prefix_(std::move(prefix)), capacity_(capacity) {}

    const std::string prefix_;
    const size_t capacity_;
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::string> frames_;
    bool ended_ = false;
    bool overflowed_ = false;
  };

  // `capacity`: the most frames one stream may have waiting.
  explicit EventStream(size_t capacity = 4096) : capacity_(capacity) {}

  // Thread-safe. Frames published from now on reach the subscriber when
  // their name starts with `name_prefix`.
  std::shared_ptr<Subscriber> Subscribe(std::string name_prefix);
  void Unsubscribe(const std::shared_ptr<Subscriber>& subscriber);
  // Thread-safe. `json` is the payload as compact JSON text.
  void Publish(std::string_view name, std::string_view json);
  // Ends every stream, now and for later subscribers.
  void Close();
  size_t subscriber_count() const;

  // "id: <id>\nevent: <name>\ndata: <json>\n\n"; line breaks in the name
  // or the payload are written so that each stays one field.
  static std::string Frame(uint64_t id, std::string_view name, std::string_view json);

 private:
  const size_t capacity_;
  mutable std::mutex mutex_;
  std::vector<std::shared_ptr<Subscriber>> subscribers_;
  uint64_t next_id_ = 1;
  bool closed_ = false;
};

}  // namespace tav::host

#endif  // TAV_HOST_MAIN_EVENT_STREAM_H_
