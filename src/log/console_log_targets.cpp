#include "log/console_log_targets.h"

#include "log/log_line_format.h"
#include "log/log_process_info.h"

namespace tav {

BaseConsoleLogTarget::BaseConsoleLogTarget(std::FILE* stream) : stream_(stream) {}

const char* BaseConsoleLogTarget::GetName() const { return "BaseConsoleLogTarget"; }

void BaseConsoleLogTarget::SetStream(std::FILE* stream) {
  std::lock_guard<std::mutex> lock(mutex());
  stream_ = stream;
}

bool BaseConsoleLogTarget::WriteLine(const LogEntry& entry, bool flush) {
  char line[kLogLineSize];
  const size_t length = FormatEntry(entry, line, sizeof line);
  std::lock_guard<std::mutex> lock(mutex());
  if (stream_ == nullptr) return false;
  // fwrite rather than fputs: a message may hold a NUL byte, and the line
  // must still reach its end.
  const bool written = std::fwrite(line, 1, length, stream_) == length;
  if (flush) std::fflush(stream_);
  return written;
}

void BaseConsoleLogTarget::FlushStream() {
  std::lock_guard<std::mutex> lock(mutex());
  if (stream_ != nullptr) std::fflush(stream_);
}

StdErrLogTarget::StdErrLogTarget() : BaseConsoleLogTarget(stderr) {}

const char* StdErrLogTarget::GetName() const { return "StdErrLogTarget"; }

bool StdErrLogTarget::Write(const LogEntry& entry) { return WriteLine(entry, false); }

void StdErrLogTarget::Flush() { FlushStream(); }

StdOutLogTarget::StdOutLogTarget() : BaseConsoleLogTarget(stdout) {}

const char* StdOutLogTarget::GetName() const { return "StdOutLogTarget"; }

bool StdOutLogTarget::Write(const LogEntry& entry) {
  return WriteLine(entry, flush_each_line_.load(std::memory_order_relaxed));
}

void StdOutLogTarget::Flush() { FlushStream(); }

void StdOutLogTarget::SetFlushEachLine(bool flush_each_line) {
  flush_each_line_.store(flush_each_line, std::memory_order_relaxed);
}

DebuggerConsoleLogTarget::DebuggerConsoleLogTarget()
    : BaseConsoleLogTarget(IsDebuggerAttached() ? stderr : nullptr) {}

const char* DebuggerConsoleLogTarget::GetName() const { return "DebuggerConsoleLogTarget"; }

bool DebuggerConsoleLogTarget::Write(const LogEntry& entry) { return WriteLine(entry, false); }

}  // namespace tav
