// What the tests receive from a tav-core process, kept so that a later check
// can hold every answer and every event against the OpenAPI document that
// process served. On when TAV_API_RECORD_DIR names a folder; each process
// then leaves two files there:
//   <name>.openapi.json   the document, from GET /tav-core/v1/openapi.json
//   <name>.jsonl          one line per answer and per event:
//     {"answer":{"method","target","status","contentType","body"}}
//     {"event":{"name","data"}}   (data: the frame's JSON text)
//
//   auto recorder = ApiRecorder::Start(port, /*watch_events=*/true);  // null when off
//   if (recorder) recorder->Watch(client);   // every answer to `client`
#ifndef TAV_TESTS_HOST_MAIN_API_RECORDER_H_
#define TAV_TESTS_HOST_MAIN_API_RECORDER_H_

#include <httplib.h>
#include <rapidjson/document.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "json_text.h"

namespace tav::host {

class ApiRecorder {
 public:
  static constexpr const char* kDirectoryVariable = "TAV_API_RECORD_DIR";

  // Fetches the document from the tav-core serving on `port` and, with
  // `watch_events`, follows its event stream until the process stops.
  // Null when recording is off or the document cannot be had.
  static std::unique_ptr<ApiRecorder> Start(int port, bool watch_events) {
    const char* directory = std::getenv(kDirectoryVariable);
    if (directory == nullptr || directory[0] == '\0') return nullptr;
    std::error_code ignored;
    std::filesystem::create_directories(directory, ignored);
    static std::atomic<int> counter{0};
    const std::string stem = std::string(directory) + "/" + ProgramName() + "-" +
                             std::to_string(getpid()) + "-" + std::to_string(++counter);
    httplib::Client client("127.0.0.1", port);
    httplib::Result document = client.Get("/tav-core/v1/openapi.json");
    if (!document || document->status != 200) return nullptr;
    std::ofstream(stem + ".openapi.json") << document->body;
    return std::unique_ptr<ApiRecorder>(new ApiRecorder(stem + ".jsonl", port, watch_events));
  }

  ~ApiRecorder() {
    if (!events_thread_.joinable()) return;
    stopping_.store(true);
    // The stream ends by itself when the process stops; a recorder dropped
    // earlier cuts it.
    events_client_->stop();
    events_thread_.join();
  }
  ApiRecorder(const ApiRecorder&) = delete;
  ApiRecorder& operator=(const ApiRecorder&) = delete;

  // Records every answer `client` receives from now on, also after the
  // recorder is gone.
  void Watch(httplib::Client& client) {
    client.set_logger([sink = sink_](const httplib::Request& request,
                                     const httplib::Response& response) {
      rapidjson::Document line(rapidjson::kObjectType);
      auto& allocator = line.GetAllocator();
      rapidjson::Value answer(rapidjson::kObjectType);
      answer.AddMember("method", rapidjson::Value(request.method.c_str(), allocator), allocator);
      answer.AddMember("target", rapidjson::Value(request.path.c_str(), allocator), allocator);
      answer.AddMember("status", response.status, allocator);
      answer.AddMember(
          "contentType",
          rapidjson::Value(response.get_header_value("Content-Type").c_str(), allocator),
          allocator);
      answer.AddMember(
          "body",
          rapidjson::Value(response.body.data(),
                           static_cast<rapidjson::SizeType>(response.body.size()), allocator),
          allocator);
      line.AddMember("answer", answer, allocator);
      sink->Write(line);
    });
  }

 private:
  ApiRecorder(const std::string& path, int port, bool watch_events)
      : sink_(std::make_shared<Sink>(path)) {
    if (!watch_events) return;
    events_client_ = std::make_unique<httplib::Client>("127.0.0.1", port);
    events_client_->set_read_timeout(std::chrono::hours(1));
    events_thread_ = std::thread([this] {
      events_client_->Get("/events", [this](const char* data, size_t length) {
        pending_.append(data, length);
        TakeFrames();
        return !stopping_.load();
      });
    });
  }

  static std::string ProgramName() {
    std::ifstream comm("/proc/self/comm");
    std::string name;
    std::getline(comm, name);
    return name.empty() ? "test" : name;
  }

  // Whole frames off the front of `pending_`: "event:" and "data:" lines
  // ending with an empty line; comment-only frames are skipped.
  void TakeFrames() {
    size_t end;
    while ((end = pending_.find("\n\n")) != std::string::npos) {
      const std::string frame = pending_.substr(0, end + 1);
      pending_.erase(0, end + 2);
      std::string name;
      std::string data;
      size_t at = 0;
      while (at < frame.size()) {
        const size_t line_end = frame.find('\n', at);
        const std::string line = frame.substr(at, line_end - at);
        at = line_end + 1;
        if (line.rfind("event: ", 0) == 0) name = line.substr(7);
        if (line.rfind("data: ", 0) == 0) data += (data.empty() ? "" : "\n") + line.substr(6);
      }
      if (name.empty() && data.empty()) continue;
      rapidjson::Document line(rapidjson::kObjectType);
      auto& allocator = line.GetAllocator();
      rapidjson::Value event(rapidjson::kObjectType);
      event.AddMember("name", rapidjson::Value(name.c_str(), allocator), allocator);
      event.AddMember("data", rapidjson::Value(data.c_str(), allocator), allocator);
      line.AddMember("event", event, allocator);
      sink_->Write(line);
    }
  }

  // The record file, shared with the clients' loggers.
  struct Sink {
    explicit Sink(const std::string& path) : file(path) {}
    void Write(const rapidjson::Value& line) {
      const std::string text = JsonText(line);
      std::lock_guard<std::mutex> lock(mutex);
      file << text << '\n';
      file.flush();
    }
    std::mutex mutex;
    std::ofstream file;
  };

  std::shared_ptr<Sink> sink_;
  std::atomic<bool> stopping_{false};
  std::string pending_;
  std::unique_ptr<httplib::Client> events_client_;
  std::thread events_thread_;
};

}  // namespace tav::host

#endif  // TAV_TESTS_HOST_MAIN_API_RECORDER_H_
