// One accepted log call: when it happened, how severe it is, its categories
// and its formatted message. Built on the caller's stack; the message points
// into the caller's buffer and lives only as long as the call.
//
//   LogEntry entry{ReadLocalTime(), kLogLevelError, kLogCategoryDebug, "disk full"};
//   target.Write(entry);
#ifndef TAV_LOG_LOG_ENTRY_H_
#define TAV_LOG_LOG_ENTRY_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tav {

// The size of the buffer a message is formatted into; a message holds at
// most one byte less.
constexpr size_t kLogMessageSize = 4096;

// Local wall-clock time to the millisecond. Month and day count from 1.
struct LogTime {
  int32_t year = 0;
  int32_t month = 0;
  int32_t day = 0;
  int32_t hour = 0;
  int32_t minute = 0;
  int32_t second = 0;
  int32_t millisecond = 0;
};

struct LogEntry {
  LogTime time;
  int32_t level = 0;
  uint64_t categories = 0;
  std::string_view message;  // at most kLogMessageSize - 1 bytes; borrowed
};

// The current local time.
LogTime ReadLocalTime();

}  // namespace tav

#endif  // TAV_LOG_LOG_ENTRY_H_
