// The process-wide logger. Every diagnostic line goes through Log, which
// drops entries below the global minimum level, with an excluded category,
// or while muted, and hands the rest to each registered target whose level
// and masks accept them.
//
// The logger is reference-counted: the first AcquireLogger creates it (a log
// call before any acquire creates it too) and the ReleaseLogger that brings
// the count back to 0 resets every registered target and destroys it.
//
//   AcquireLogger();
//   LogWarning("%s: no style %d", "perks", 8100);
//   ConfigureLogTarget(&my_target, kLogLevelOkay, kLogCategoryDebug, 0, "#D| #L| #M");
//   ReleaseLogger();
//
// At creation the logger owns three targets, all at minimum level 1:
// StdErrLogTarget (DBG in, GEN out, "#E(#T): #L| #M", registered),
// StdOutLogTarget (GEN in, DBG out, "#M", not registered) and
// DebuggerConsoleLogTarget (DBG in, "#E(#T): #L| #M", registered).
#ifndef TAV_LOG_LOGGER_H_
#define TAV_LOG_LOGGER_H_

#include <cstdarg>
#include <cstdint>
#include <string_view>

#include "log/console_log_targets.h"
#include "log/log_target.h"

namespace tav {

void AcquireLogger();
// A release without a matching acquire is ignored.
void ReleaseLogger();

// Logs a printf-formatted message, cut to 4095 bytes. Never allocates. A
// log call made from inside a target's Write is dropped.
void Log(int32_t level, uint64_t categories, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
void LogV(int32_t level, uint64_t categories, const char* format, va_list args)
    __attribute__((format(printf, 3, 0)));

// Level 0, 1, 2 and 3 with category bit 0 (DBG).
void LogInfo(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogWarning(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogError(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogAlways(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Target list. A target must outlive its registration. Adding appends (the
// same target twice writes twice); removing takes out every occurrence.
void AddLogTarget(LogTarget* target);
void RemoveLogTarget(LogTarget* target);
// The first registered target whose name is exactly `name`, or nullptr.
LogTarget* FindLogTarget(std::string_view name);

// Resets `target`, stores the settings (the included mask without the
// excluded bits) and registers it if it is not registered yet.
void ConfigureLogTarget(LogTarget* target, int32_t level, uint64_t included, uint64_t excluded,
                        std::string_view line_template);

// Flushes every registered target.
void FlushLogTargets();

// Global filter: minimum level (default 1), excluded categories (default 4,
// "XTR") and mute (default off).
void SetLogLevel(int32_t level);
int32_t GetLogLevel();
void SetLogExcludedCategories(uint64_t categories);
uint64_t GetLogExcludedCategories();
void SetLogMuted(bool muted);
bool IsLogMuted();

// Accepted entries of level 1 and level 2 since the logger was created.
uint64_t GetLogWarningCount();
uint64_t GetLogErrorCount();

// The logger's own targets, valid until the logger is destroyed.
StdErrLogTarget* GetStdErrLogTarget();
StdOutLogTarget* GetStdOutLogTarget();
DebuggerConsoleLogTarget* GetDebuggerConsoleLogTarget();

}  // namespace tav

#endif  // TAV_LOG_LOGGER_H_
