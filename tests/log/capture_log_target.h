// Test helpers: a target that keeps what it is given, and a memory-backed
// stream to point the console targets at.
#ifndef TAV_TESTS_LOG_CAPTURE_LOG_TARGET_H_
#define TAV_TESTS_LOG_CAPTURE_LOG_TARGET_H_

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "log/log_line_format.h"
#include "log/log_target.h"

namespace tav {

// The logger calls Write under its own lock; read the members while nothing
// logs.
class CaptureLogTarget : public LogTarget {
 public:
  const char* GetName() const override { return "CaptureLogTarget"; }

  bool Write(const LogEntry& entry) override {
    char line[kLogLineSize];
    const size_t length = FormatEntry(entry, line, sizeof line);
    lines.emplace_back(line, length);
    messages.emplace_back(entry.message);
    levels.push_back(entry.level);
    return true;
  }

  std::vector<std::string> lines;
  std::vector<std::string> messages;
  std::vector<int32_t> levels;
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
