// The telemetry service as tav-core plays it: every event posted to
// "/telemetry/v1/events/<table>" is appended to a file as one JSON line
// {"time": "<UTC, ISO 8601>", "table": "<table>", "event": {<field>: <text>}}
// and kept among the recent ones.
//
//   TelemetryLog telemetry;
//   if (!telemetry.Open("/tmp/telemetry.jsonl", &error)) ... report error ...
//   core.AddPeer(TAV_METHOD_POST, TelemetryLog::kPattern,
//                [&](const PeerRequest& r) { return telemetry.Handle(r); });
//
// Core thread only.
#ifndef TAV_HOST_MAIN_TELEMETRY_LOG_H_
#define TAV_HOST_MAIN_TELEMETRY_LOG_H_

#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <string>

#include "peer.h"

namespace tav::host {

class TelemetryLog {
 public:
  static constexpr const char* kPattern = "/telemetry/v1/events/{table}";
  static constexpr size_t kKeptLines = 100;

  TelemetryLog() = default;
  ~TelemetryLog();
  TelemetryLog(const TelemetryLog&) = delete;
  TelemetryLog& operator=(const TelemetryLog&) = delete;

  // Opens `path` for appending, creating it for its owner only (0600); an
  // existing file keeps its mode. False with `error` set.
  bool Open(const std::string& path, std::string* error);

  // Takes the event's fields from the request's arguments (named ones, or
  // an object given as the body), appends the line and answers an empty
  // success; 400 when the table name is empty, 500 when the line cannot be
  // written.
  PeerResponse Handle(const PeerRequest& request);

  // The last lines written, oldest first.
  const std::deque<std::string>& recent() const { return recent_; }
  uint64_t count() const { return count_; }
  // Called with each line after it is written.
  void SetListener(std::function<void(const std::string& line)> listener) { listener_ = std::move(listener); }

 private:
  FILE* file_ = nullptr;
  std::string path_;
  std::deque<std::string> recent_;
  uint64_t count_ = 0;
  std::function<void(const std::string&)> listener_;
};

}  // namespace tav::host

#endif  // TAV_HOST_MAIN_TELEMETRY_LOG_H_
