// The system clock in milliseconds since its epoch, as the module keeps
// the login time.
#ifndef TAV_PERKS_SYSTEM_CLOCK_INTERNAL_H_
#define TAV_PERKS_SYSTEM_CLOCK_INTERNAL_H_

#include <chrono>

namespace tav::perks {

inline double SystemClockMilliseconds() {
  return std::chrono::duration<double, std::milli>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace tav::perks

#endif  // TAV_PERKS_SYSTEM_CLOCK_INTERNAL_H_
