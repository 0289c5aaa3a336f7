#include "log/log_entry.h"

#include <ctime>

namespace tav {

// A 32-bit time_t runs out in January 2038; 32-bit builds ask for the
// 64-bit one.
static_assert(sizeof(time_t) >= 8, "log times would wrap in 2038");

LogTime ReadLocalTime() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::tm local{};
  localtime_r(&now.tv_sec, &local);
  LogTime time;
  time.year = local.tm_year + 1900;
  time.month = local.tm_mon + 1;
  time.day = local.tm_mday;
  time.hour = local.tm_hour;
  time.minute = local.tm_min;
  time.second = local.tm_sec;
  time.millisecond = static_cast<int32_t>(now.tv_nsec / 1000000);
  return time;
}

}  // namespace tav
