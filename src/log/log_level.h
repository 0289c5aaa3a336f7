// Log levels: a signed 32-bit severity, and the fixed-width text that log
// lines show for it.
//
//   LogLevelText(kLogLevelError);  // " ERROR"
//   LogLevelText(7);               // "   ???"
#ifndef TAV_LOG_LOG_LEVEL_H_
#define TAV_LOG_LOG_LEVEL_H_

#include <cstdint>

namespace tav {

constexpr int32_t kLogLevelOkay = 0;     // informational
constexpr int32_t kLogLevelWarning = 1;
constexpr int32_t kLogLevelError = 2;
constexpr int32_t kLogLevelAlways = 3;   // shown whatever the minimum level

// The six-character text of `level`; "   ???" for a value outside 0..3.
const char* LogLevelText(int32_t level);

}  // namespace tav

#endif  // TAV_LOG_LOG_LEVEL_H_
