// The wall clock as tav-core writes it in telemetry lines and push records:
// UTC, ISO 8601, to the millisecond.
//
//   std::string now = UtcTimestamp();   // "2024-05-01T12:34:56.789Z"
#ifndef TAV_HOST_MAIN_UTC_TIME_H_
#define TAV_HOST_MAIN_UTC_TIME_H_

#include <string>

namespace tav::host {

std::string UtcTimestamp();

}  // namespace tav::host

#endif  // TAV_HOST_MAIN_UTC_TIME_H_
