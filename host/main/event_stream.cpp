#include "main/event_stream.h"

#include <algorithm>

namespace tav::host {

namespace {

// An event name is one header line: a line break would start a new field.
void AppendOneLine(std::string& out, std::string_view text) {
  for (char c : text) out.push_back(c == '\n' || c == '\r' ? ' ' : c);
}

// A payload with line breaks becomes several data lines, which a reader
// joins back with "\n". Compact JSON has none, but a text value written by
// hand might.
void AppendData(std::string& out, std::string_view json) {
  out += "data: ";
  for (size_t i = 0; i < json.size(); ++i) {
    char c = json[i];
    if (c == '\r') {
      if (i + 1 < json.size() && json[i + 1] == '\n') ++i;
      out += "\ndata: ";
    } else if (c == '\n') {
      out += "\ndata: ";
    } else {
      out.push_back(c);
    }
  }
  out += "\n";
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

}  // namespace

EventStream::Next EventStream::Subscriber::Wait(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(stream_->mutex_);
  std::optional<Next> next;
  stream_->published_.wait_for(lock, timeout, [&] {
    next = stream_->TakeNext(*this);
    return next.has_value();
  });
  return next.value_or(Next{});
}

bool EventStream::Subscriber::lagged() const {
  std::lock_guard<std::mutex> lock(stream_->mutex_);
  return lagged_;
}

EventStream::EventStream(size_t history_bytes, uint64_t first_id)
    : history_bytes_(history_bytes), next_id_(std::max<uint64_t>(first_id, 1)) {}

std::shared_ptr<EventStream::Subscriber> EventStream::Subscribe(std::string name_prefix, Start start) {
  std::lock_guard<std::mutex> lock(mutex_);
  uint64_t next = next_id_;
  std::optional<uint64_t> foreign;
  switch (start.kind) {
    case Start::kNew:
      break;
    case Start::kHistory:
      next = oldest_id();
      break;
    case Start::kAfter:
      // An id this stream never gave (a reader of an earlier run, or a
      // made-up one) says nothing of what the reader missed.
      if (start.last_id >= next_id_) {
        foreign = start.last_id;
      } else {
        next = start.last_id + 1;
      }
      break;
  }
  std::shared_ptr<Subscriber> subscriber(new Subscriber(this, std::move(name_prefix), next));
  subscriber->foreign_id_ = foreign;
  if (closed_) {
    subscriber->ended_ = true;
  } else {
    subscribers_.push_back(subscriber);
  }
  return subscriber;
}

void EventStream::Unsubscribe(const std::shared_ptr<Subscriber>& subscriber) {
  std::lock_guard<std::mutex> lock(mutex_);
  subscribers_.erase(std::remove(subscribers_.begin(), subscribers_.end(), subscriber), subscribers_.end());
}

void EventStream::Publish(std::string_view name, std::string_view json) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (closed_) return;
  auto frame = std::make_shared<const std::string>(Frame(next_id_++, name, json));
  kept_bytes_ += frame->size() + name.size();
  history_.push_back({std::string(name), std::move(frame)});
  while (kept_bytes_ > history_bytes_ && history_.size() > 1) {
    kept_bytes_ -= history_.front().frame->size() + history_.front().name.size();
    history_.pop_front();
  }
  published_.notify_all();
}

void EventStream::Close() {
  std::lock_guard<std::mutex> lock(mutex_);
  closed_ = true;
  for (const auto& subscriber : subscribers_) subscriber->ended_ = true;
  subscribers_.clear();
  published_.notify_all();
}

std::optional<EventStream::Next> EventStream::TakeNext(Subscriber& subscriber) {
  if (subscriber.ended_) return Next{Next::kEnded, nullptr};
  const uint64_t oldest = oldest_id();
  if (subscriber.foreign_id_ || subscriber.next_id_ < oldest) {
    const uint64_t last_seen = subscriber.foreign_id_.value_or(subscriber.next_id_ - 1);
    subscriber.ended_ = true;
    subscriber.lagged_ = true;
    ++lagged_streams_;
    return Next{Next::kFrame, std::make_shared<const std::string>(LaggedFrame(last_seen, oldest))};
  }
  while (subscriber.next_id_ < next_id_) {
    const Kept& kept = history_[subscriber.next_id_ - oldest];
    ++subscriber.next_id_;
    if (StartsWith(kept.name, subscriber.prefix_)) return Next{Next::kFrame, kept.frame};
  }
  return std::nullopt;
}

size_t EventStream::subscriber_count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return subscribers_.size();
}

EventStream::Stats EventStream::stats() const {
  std::lock_guard<std::mutex> lock(mutex_);
  Stats stats;
  stats.last_id = history_.empty() ? 0 : next_id_ - 1;
  stats.kept_frames = history_.size();
  stats.kept_bytes = kept_bytes_;
  stats.history_bytes = history_bytes_;
  stats.lagged_streams = lagged_streams_;
  return stats;
}

std::string EventStream::Frame(uint64_t id, std::string_view name, std::string_view json) {
  std::string frame = "id: " + std::to_string(id) + "\nevent: ";
  AppendOneLine(frame, name);
  frame += "\n";
  AppendData(frame, json);
  frame += "\n";
  return frame;
}

std::string EventStream::LaggedFrame(uint64_t last_seen, uint64_t oldest_kept) {
  return Frame(oldest_kept - 1, kLaggedEvent,
               R"({"lastSeenId":)" + std::to_string(last_seen) + R"(,"oldestKeptId":)" +
                   std::to_string(oldest_kept) + "}");
}

}  // namespace tav::host
