// Test helpers: a target that keeps what it is given, and a memory-backed
// stream to point the console targets at.
#ifndef TAV_TESTS_LOG_CAPTURE_LOG_TARGET_H_
#define TAV_TESTS_LOG_CAPTURE_LOG_TARGET_H_

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "log/log_line_format.h"
#include "log/log_target.h"

namespace tav {

class CaptureLogTarget : public LogTarget {
 public:
  explicit CaptureLogTarget(const char* name = "CaptureLogTarget") : name_(name) {}

  const char* GetName() const override { return name_; }

  bool Write(const LogEntry& entry) override {
    char line[kLogLineSize];
    const size_t length = FormatEntry(entry, line, sizeof line);
    std::lock_guard<std::mutex> lock(mutex());
    lines_.emplace_back(line, length);
    messages_.emplace_back(entry.message);
    levels_.push_back(entry.level);
    return true;
  }

  std::vector<std::string> lines() const {
    std::lock_guard<std::mutex> lock(mutex());
    return lines_;
  }
  std::vector<std::string> messages() const {
    std::lock_guard<std::mutex> lock(mutex());
    return messages_;
  }
  std::vector<int32_t> levels() const {
    std::lock_guard<std::mutex> lock(mutex());
    return levels_;
  }

 private:
  const char* name_;
  std::vector<std::string> lines_;
  std::vector<std::string> messages_;
  std::vector<int32_t> levels_;
};

class MemoryStream {
 public:
  MemoryStream() : file_(open_memstream(&data_, &size_)) {}
  MemoryStream(const MemoryStream&) = delete;
  MemoryStream& operator=(const MemoryStream&) = delete;
  ~MemoryStream() {
    std::fclose(file_);
    std::free(data_);
  }

  std::FILE* file() { return file_; }
  std::string Text() {
    std::fflush(file_);
    return std::string(data_, size_);
  }

 private:
  char* data_ = nullptr;
  size_t size_ = 0;
  std::FILE* file_;
};

}  // namespace tav

#endif  // TAV_TESTS_LOG_CAPTURE_LOG_TARGET_H_
