// Facts about the running process that log lines show: the executable's
// file name (#E), the time since the clock's first use (#H), the calling
// thread (#T), and whether a debugger is watching.
//
//   LoadExecutableName();
//   ExecutableName();  // "tav_host", or "<unknown>" before the load
#ifndef TAV_LOG_LOG_PROCESS_INFO_H_
#define TAV_LOG_LOG_PROCESS_INFO_H_

#include <cstdint>
#include <string_view>

namespace tav {

// Reads the executable's file name once per process; later calls do
// nothing. Safe from any thread.
void LoadExecutableName();

// The part of the executable's path after the last '/', or "<unknown>"
// until LoadExecutableName has run (or when the path cannot be read).
std::string_view ExecutableName();

// True when a tracer (a debugger) is attached to the process right now.
bool IsDebuggerAttached();

// Time on the monotonic clock since this function was first called.
struct ElapsedTime {
  int64_t seconds = 0;
  int32_t milliseconds = 0;
};
ElapsedTime MonotonicSinceFirstUse();

// The calling thread's id as an opaque pointer-sized word, printed with %p.
const void* CurrentThreadWord();

}  // namespace tav

#endif  // TAV_LOG_LOG_PROCESS_INFO_H_
