// The system clock in milliseconds since its epoch, as the module keeps
// the login time.
#ifndef TAV_PERKS_SYSTEM_CLOCK_INTERNAL_H_
#define TAV_PERKS_SYSTEM_CLOCK_INTERNAL_H_

#include <ctime>

namespace tav::perks {

// Read with clock_gettime rather than std::chrono::system_clock: a 32-bit
// C++ runtime reads the clock with a 32-bit time_t, which runs out in 2038,
// while the library itself is built with a 64-bit one.
inline double SystemClockMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

}  // namespace tav::perks

#endif  // TAV_PERKS_SYSTEM_CLOCK_INTERNAL_H_
