#include "main/utc_time.h"

#include <sys/time.h>

#include <cstdio>
#include <ctime>

namespace tav::host {

std::string UtcTimestamp() {
  timeval now{};
  gettimeofday(&now, nullptr);
  tm parts{};
  gmtime_r(&now.tv_sec, &parts);
  char text[40];
  size_t length = std::strftime(text, sizeof(text), "%Y-%m-%dT%H:%M:%S", &parts);
  std::snprintf(text + length, sizeof(text) - length, ".%03ldZ", static_cast<long>(now.tv_usec / 1000));
  return text;
}

}  // namespace tav::host
