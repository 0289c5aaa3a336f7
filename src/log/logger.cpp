#include "log/logger.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <vector>

#include "log/log_category.h"
#include "log/log_level.h"
#include "log/log_process_info.h"
#include "log/logger_internal.h"

namespace tav {
namespace {

constexpr std::string_view kConsoleTemplate = "#E(#T): #L| #M";
constexpr int32_t kDefaultLevel = kLogLevelWarning;
constexpr uint64_t kDefaultExcluded = kLogCategoryExtra;

// Applies settings the way ConfigureLogTarget does, minus registration.
void ApplySettings(LogTarget* target, int32_t level, uint64_t included, uint64_t excluded,
                   std::string_view line_template) {
  const LogTargetEntryPoints& entry = target->entry_points();
  entry.reset(target);
  entry.set_level(target, level);
  entry.set_masks(target, included, excluded);
  entry.set_template(target, line_template);
}

struct ProcessLogger {
  ProcessLogger() {
    LoadExecutableName();
    ApplySettings(&std_err, kDefaultLevel, kLogCategoryDebug, kLogCategoryGeneral,
                  kConsoleTemplate);
    ApplySettings(&std_out, kDefaultLevel, kLogCategoryGeneral, kLogCategoryDebug, "#M");
    ApplySettings(&debugger, kDefaultLevel, kLogCategoryDebug, 0, kConsoleTemplate);
    targets.reserve(8);
    Register(&std_err);
    Register(&debugger);
  }

  void Register(LogTarget* target) {
    targets.push_back(target);
    target->entry_points().set_registered(target, true);
  }

  StdErrLogTarget std_err;
  StdOutLogTarget std_out;
  DebuggerConsoleLogTarget debugger;
  // Registration order. While an entry is dispatched, a removed target
  // leaves a null in its place, compacted once the dispatch is over.
  std::vector<LogTarget*> targets;
  uint64_t warnings = 0;
  uint64_t errors = 0;
  bool dispatching = false;
  bool holes = false;
  bool destroy_after_dispatch = false;
};

// The logger's lock: guards the logger's creation and destruction, its target
// list and counters, and the writes of the global settings below. It lives
// outside the logger so that a log call racing the last release never locks
// a destroyed mutex.
std::mutex g_mutex;
std::atomic<ProcessLogger*> g_logger{nullptr};
std::atomic<int32_t> g_users{0};

// The global filter, read without the lock so that a dropped entry costs a
// few atomic loads. Reset to the defaults whenever a logger is created.
std::atomic<bool> g_muted{false};
std::atomic<int32_t> g_level{kDefaultLevel};
std::atomic<uint64_t> g_excluded{kDefaultExcluded};

// Set while this thread dispatches an entry, and so holds g_mutex. A target
// that logs from inside Write is dropped instead of recursing; one that
// changes the target list or the settings from there does so under the lock
// its thread already holds.
thread_local bool t_dispatching = false;

class LoggerLock {
 public:
  LoggerLock() : owned_(!t_dispatching) {
    if (owned_) g_mutex.lock();
  }
  ~LoggerLock() {
    if (owned_) g_mutex.unlock();
  }
  LoggerLock(const LoggerLock&) = delete;
  LoggerLock& operator=(const LoggerLock&) = delete;

 private:
  const bool owned_;
};

// Needs g_mutex held.
ProcessLogger& LoggerLocked() {
  ProcessLogger* logger = g_logger.load(std::memory_order_relaxed);
  if (logger != nullptr) return *logger;
  g_muted.store(false, std::memory_order_relaxed);
  g_level.store(kDefaultLevel, std::memory_order_relaxed);
  g_excluded.store(kDefaultExcluded, std::memory_order_relaxed);
  logger = new ProcessLogger();
  g_logger.store(logger, std::memory_order_release);
  return *logger;
}

// Needs g_mutex held.
void DestroyLoggerLocked() {
  ProcessLogger* logger = g_logger.load(std::memory_order_relaxed);
  if (logger == nullptr) return;
  if (logger->dispatching) {
    // The last release came from inside a Write: the dispatch still walks
    // the list, so the logger goes once it is over.
    logger->destroy_after_dispatch = true;
    return;
  }
  for (LogTarget* target : logger->targets) {
    if (target == nullptr) continue;
    target->entry_points().reset(target);
    target->entry_points().set_registered(target, false);
  }
  logger->targets.clear();
  g_logger.store(nullptr, std::memory_order_release);
  delete logger;
}

// Needs g_mutex held.
void EraseTargetLocked(ProcessLogger& logger, LogTarget* target) {
  std::vector<LogTarget*>& targets = logger.targets;
  if (logger.dispatching) {
    std::replace(targets.begin(), targets.end(), target, static_cast<LogTarget*>(nullptr));
    logger.holes = true;
  } else {
    targets.erase(std::remove(targets.begin(), targets.end(), target), targets.end());
  }
  target->entry_points().set_registered(target, false);
}

bool PassesGlobalFilter(int32_t level, uint64_t categories) {
  if (g_muted.load(std::memory_order_relaxed)) return false;
  if (level < g_level.load(std::memory_order_relaxed)) return false;
  return (categories & g_excluded.load(std::memory_order_relaxed)) == 0;
}

bool TargetAccepts(LogTarget* target, const LogEntry& entry) {
  const LogTargetEntryPoints& points = target->entry_points();
  if (entry.level < points.get_level(target)) return false;
  if (entry.categories == 0) return true;
  if ((entry.categories & points.get_excluded_mask(target)) != 0) return false;
  const uint64_t included = points.get_included_mask(target);
  return included == 0 || (entry.categories & included) != 0;
}

class DispatchScope {
 public:
  DispatchScope() { t_dispatching = true; }
  ~DispatchScope() { t_dispatching = false; }
};

// Needs g_mutex held. A Write may add, remove or destroy targets, the one
// being written to included: the walk goes by index over a list whose
// removed entries stay as nulls until the end.
void Dispatch(ProcessLogger& logger, const LogEntry& entry) {
  if (entry.level == kLogLevelWarning) ++logger.warnings;
  if (entry.level == kLogLevelError) ++logger.errors;
  {
    DispatchScope scope;
    logger.dispatching = true;
    for (size_t i = 0; i < logger.targets.size(); ++i) {
      LogTarget* target = logger.targets[i];
      if (target != nullptr && TargetAccepts(target, entry)) {
        target->entry_points().write(target, entry);
      }
    }
    logger.dispatching = false;
  }
  if (logger.holes) {
    std::vector<LogTarget*>& targets = logger.targets;
    targets.erase(std::remove(targets.begin(), targets.end(), nullptr), targets.end());
    logger.holes = false;
  }
  if (logger.destroy_after_dispatch) {
    logger.destroy_after_dispatch = false;
    if (g_users.load(std::memory_order_relaxed) == 0) DestroyLoggerLocked();
  }
}

void LogWithDebugCategory(int32_t level, const char* format, va_list args)
    __attribute__((format(printf, 2, 0)));
void LogWithDebugCategory(int32_t level, const char* format, va_list args) {
  LogV(level, kLogCategoryDebug, format, args);
}

}  // namespace

void AcquireLogger() {
  LoggerLock lock;
  g_users.fetch_add(1, std::memory_order_relaxed);
  LoggerLocked();
}

void ReleaseLogger() {
  LoggerLock lock;
  if (g_users.load(std::memory_order_relaxed) == 0) return;
  if (g_users.fetch_sub(1, std::memory_order_relaxed) == 1) DestroyLoggerLocked();
}

void Log(int32_t level, uint64_t categories, const char* format, ...) {
  va_list args;
  va_start(args, format);
  LogV(level, categories, format, args);
  va_end(args);
}

void LogV(int32_t level, uint64_t categories, const char* format, va_list args) {
  if (t_dispatching) return;
  if (g_logger.load(std::memory_order_acquire) == nullptr) {
    LoggerLock lock;
    LoggerLocked();
  }
  if (!PassesGlobalFilter(level, categories)) return;

  char message[kLogMessageSize];
  size_t length = 0;
  if (format != nullptr) {
    const int printed = std::vsnprintf(message, sizeof message, format, args);
    if (printed > 0) length = std::min(static_cast<size_t>(printed), sizeof message - 1);
  }
  LogEntry entry;
  entry.time = ReadLocalTime();
  entry.level = level;
  entry.categories = categories;
  entry.message = std::string_view(message, length);

  LoggerLock lock;
  // The last release may have destroyed the logger since the check above;
  // the entry then has nowhere to go.
  ProcessLogger* logger = g_logger.load(std::memory_order_relaxed);
  if (logger != nullptr) Dispatch(*logger, entry);
}

void LogInfo(const char* format, ...) {
  va_list args;
  va_start(args, format);
  LogWithDebugCategory(kLogLevelOkay, format, args);
  va_end(args);
}

void LogWarning(const char* format, ...) {
  va_list args;
  va_start(args, format);
  LogWithDebugCategory(kLogLevelWarning, format, args);
  va_end(args);
}

void LogError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  LogWithDebugCategory(kLogLevelError, format, args);
  va_end(args);
}

void LogAlways(const char* format, ...) {
  va_list args;
  va_start(args, format);
  LogWithDebugCategory(kLogLevelAlways, format, args);
  va_end(args);
}

void AddLogTarget(LogTarget* target) {
  if (target == nullptr) return;
  LoggerLock lock;
  LoggerLocked().Register(target);
}

void RemoveLogTarget(LogTarget* target) {
  if (target == nullptr) return;
  LoggerLock lock;
  EraseTargetLocked(LoggerLocked(), target);
}

void ForgetLogTarget(LogTarget* target) {
  LoggerLock lock;
  ProcessLogger* logger = g_logger.load(std::memory_order_relaxed);
  if (logger != nullptr) EraseTargetLocked(*logger, target);
}

LogTarget* FindLogTarget(std::string_view name) {
  LoggerLock lock;
  for (LogTarget* target : LoggerLocked().targets) {
    if (target != nullptr && name == target->entry_points().get_name(target)) return target;
  }
  return nullptr;
}

void ConfigureLogTarget(LogTarget* target, int32_t level, uint64_t included, uint64_t excluded,
                        std::string_view line_template) {
  if (target == nullptr) return;
  LoggerLock lock;
  ProcessLogger& logger = LoggerLocked();
  ApplySettings(target, level, included, excluded, line_template);
  if (!target->entry_points().is_registered(target)) logger.Register(target);
}

void FlushLogTargets() {
  LoggerLock lock;
  // Called from inside a Write, the list may hold the nulls of removed targets.
  for (LogTarget* target : LoggerLocked().targets) {
    if (target != nullptr) target->entry_points().flush(target);
  }
}

void SetLogLevel(int32_t level) {
  LoggerLock lock;
  LoggerLocked();
  g_level.store(level, std::memory_order_relaxed);
}

int32_t GetLogLevel() {
  LoggerLock lock;
  LoggerLocked();
  return g_level.load(std::memory_order_relaxed);
}

void SetLogExcludedCategories(uint64_t categories) {
  LoggerLock lock;
  LoggerLocked();
  g_excluded.store(categories, std::memory_order_relaxed);
}

uint64_t GetLogExcludedCategories() {
  LoggerLock lock;
  LoggerLocked();
  return g_excluded.load(std::memory_order_relaxed);
}

void SetLogMuted(bool muted) {
  LoggerLock lock;
  LoggerLocked();
  g_muted.store(muted, std::memory_order_relaxed);
}

bool IsLogMuted() {
  LoggerLock lock;
  LoggerLocked();
  return g_muted.load(std::memory_order_relaxed);
}

uint64_t GetLogWarningCount() {
  LoggerLock lock;
  return LoggerLocked().warnings;
}

uint64_t GetLogErrorCount() {
  LoggerLock lock;
  return LoggerLocked().errors;
}

StdErrLogTarget* GetStdErrLogTarget() {
  LoggerLock lock;
  return &LoggerLocked().std_err;
}

StdOutLogTarget* GetStdOutLogTarget() {
  LoggerLock lock;
  return &LoggerLocked().std_out;
}

DebuggerConsoleLogTarget* GetDebuggerConsoleLogTarget() {
  LoggerLock lock;
  return &LoggerLocked().debugger;
}

}  // namespace tav
