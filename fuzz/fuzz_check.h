// Property checks for the fuzz targets: a failed check prints what differs
// and aborts, which libFuzzer reports as a crash and saves the input.
#ifndef TAV_FUZZ_FUZZ_CHECK_H_
#define TAV_FUZZ_FUZZ_CHECK_H_

#include <cstdio>
#include <cstdlib>
#include <string>

namespace tav::fuzzing {

[[noreturn]] inline void CheckFailed(const char* what, const std::string& detail) {
  std::fprintf(stderr, "property violated: %s\n%s\n", what, detail.c_str());
  std::abort();
}

}  // namespace tav::fuzzing

#define FUZZ_CHECK(condition, detail)                                      \
  do {                                                                     \
    if (!(condition)) ::tav::fuzzing::CheckFailed(#condition, (detail));   \
  } while (false)

#endif  // TAV_FUZZ_FUZZ_CHECK_H_
