#include "log/log_level.h"

namespace tav {

const char* LogLevelText(int32_t level) {
  static constexpr const char* kTexts[] = {"  OKAY", "  WARN", " ERROR", "ALWAYS"};
  // Levels are plain integers from the caller, so an unknown one gets a
  // placeholder of the same width rather than a read past the table.
  if (level < kLogLevelOkay || level > kLogLevelAlways) return "   ???";
  return kTexts[level];
}

}  // namespace tav
