// The targets that write lines to a console stream: standard error,
// standard output, and the debugger's console (standard error, but only when
// a debugger was attached as the target was made). The logger owns one of
// each; see logger.h.
//
//   StdOutLogTarget out;
//   out.SetFlushEachLine(true);
//   ConfigureLogTarget(&out, kLogLevelOkay, kLogCategoryGeneral, 0, "#M");
#ifndef TAV_LOG_CONSOLE_LOG_TARGETS_H_
#define TAV_LOG_CONSOLE_LOG_TARGETS_H_

#include <atomic>
#include <cstdio>

#include "log/log_target.h"

namespace tav {

class BaseConsoleLogTarget : public LogTarget {
 public:
  const char* GetName() const override;

  // Sends the lines to `stream` from now on; nullptr writes nothing. The
  // stream must stay open while it is set.
  void SetStream(std::FILE* stream);

 protected:
  explicit BaseConsoleLogTarget(std::FILE* stream);

  // Formats `entry` and writes the line to the stream under the target's
  // lock, flushing afterwards if `flush` is set. False when no stream is set
  // or the write fails.
  bool WriteLine(const LogEntry& entry, bool flush);

  // Flushes the stream under the target's lock.
  void FlushStream();

 private:
  std::FILE* stream_;  // guarded by mutex()
};

class StdErrLogTarget : public BaseConsoleLogTarget {
 public:
  StdErrLogTarget();
  const char* GetName() const override;
  bool Write(const LogEntry& entry) override;
  void Flush() override;
};

class StdOutLogTarget : public BaseConsoleLogTarget {
 public:
  StdOutLogTarget();
  const char* GetName() const override;
  bool Write(const LogEntry& entry) override;
  void Flush() override;

  // Flush after every line (off by default).
  void SetFlushEachLine(bool flush_each_line);

 private:
  std::atomic<bool> flush_each_line_{false};
};

// Writes to standard error if a debugger was attached when the target was
// constructed, and nothing otherwise.
class DebuggerConsoleLogTarget : public BaseConsoleLogTarget {
 public:
  DebuggerConsoleLogTarget();
  const char* GetName() const override;
  bool Write(const LogEntry& entry) override;
};

}  // namespace tav

#endif  // TAV_LOG_CONSOLE_LOG_TARGETS_H_
