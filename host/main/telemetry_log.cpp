#include "main/telemetry_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "json_text.h"
#include "main/utc_time.h"

namespace tav::host {

TelemetryLog::~TelemetryLog() {
  if (file_ != nullptr) std::fclose(file_);
}

bool TelemetryLog::Open(const std::string& path, std::string* error) {
  // Created readable by its owner only; a file already there keeps its mode.
  const int descriptor = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  FILE* file = descriptor >= 0 ? fdopen(descriptor, "a") : nullptr;
  if (file == nullptr) {
    *error = path + ": " + std::strerror(errno);
    if (descriptor >= 0) close(descriptor);
    return false;
  }
  if (file_ != nullptr) std::fclose(file_);
  file_ = file;
  path_ = path;
  return true;
}

PeerResponse TelemetryLog::Handle(const PeerRequest& request) {
  const std::string* table = request.Capture("table");
  if (table == nullptr || table->empty()) return PeerResponse::Error(400, "No telemetry table");
  rapidjson::Document line(rapidjson::kObjectType);
  auto& allocator = line.GetAllocator();
  const std::string time = UtcTimestamp();
  line.AddMember("time", rapidjson::Value(time.c_str(), allocator), allocator);
  line.AddMember("table", rapidjson::Value(table->c_str(), allocator), allocator);
  rapidjson::Document body = request.BodyValue();
  rapidjson::Value event(body, allocator);
  line.AddMember("event", event, allocator);
  const std::string text = JsonText(line);
  if (file_ == nullptr || std::fprintf(file_, "%s\n", text.c_str()) < 0 || std::fflush(file_) != 0) {
    return PeerResponse::Error(500, "Telemetry not written: " + path_);
  }
  ++count_;
  recent_.push_back(text);
  if (recent_.size() > kKeptLines) recent_.pop_front();
  if (listener_) listener_(text);
  return PeerResponse::Ok();
}

}  // namespace tav::host
