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

}  // namespace

EventStream::Next EventStream::Subscriber::Wait(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  ready_.wait_for(lock, timeout, [this] { return !frames_.empty() || ended_; });
  Next next;
  if (!frames_.empty()) {
    next.kind = Next::kFrame;
    next.frame = std::move(frames_.front());
    frames_.pop_front();
  } else if (ended_) {
    next.kind = Next::kEnded;
  }
  return next;
}

bool EventStream::Subscriber::overflowed() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return overflowed_;
}

std::shared_ptr<EventStream::Subscriber> EventStream::Subscribe(std::string name_prefix) {
  std::shared_ptr<Subscriber> subscriber(new Subscriber(std::move(name_prefix), capacity_));
  std::lock_guard<std::mutex> lock(mutex_);
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
  if (closed_ || subscribers_.empty()) return;
  const std::string frame = Frame(next_id_++, name, json);
  for (const auto& subscriber : subscribers_) {
    if (name.substr(0, subscriber->prefix_.size()) != subscriber->prefix_) continue;
    std::lock_guard<std::mutex> own(subscriber->mutex_);
    if (subscriber->ended_) continue;
    if (subscriber->frames_.size() >= subscriber->capacity_) {
      subscriber->overflowed_ = true;
      subscriber->ended_ = true;
    } else {
      subscriber->frames_.push_back(frame);
    }
    subscriber->ready_.notify_one();
  }
}

void EventStream::Close() {
  std::lock_guard<std::mutex> lock(mutex_);
  closed_ = true;
  for (const auto& subscriber : subscribers_) {
    std::lock_guard<std::mutex> own(subscriber->mutex_);
    subscriber->ended_ = true;
    subscriber->ready_.notify_all();
  }
  subscribers_.clear();
}

size_t EventStream::subscriber_count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return subscribers_.size();
}

std::string EventStream::Frame(uint64_t id, std::string_view name, std::string_view json) {
  std::string frame = "id: " + std::to_string(id) + "\nevent: ";
  AppendOneLine(frame, name);
  frame += "\n";
  AppendData(frame, json);
  frame += "\n";
  return frame;
}

}  // namespace tav::host
