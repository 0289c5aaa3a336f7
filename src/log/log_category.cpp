#include "log/log_category.h"

namespace tav {

const char* LogCategoryName(unsigned bit) {
  static constexpr const char* kNames[] = {"DBG", "GEN", "XTR", "PRF", "MEM", "DSK", "NET", "TST"};
  if (bit >= sizeof kNames / sizeof kNames[0]) return "???";
  return kNames[bit];
}

}  // namespace tav
