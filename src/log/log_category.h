// Log categories: bits of a 64-bit mask. An entry may carry several; targets
// and the logger include or exclude entries by them.
//
//   Log(kLogLevelError, kLogCategoryDebug | kLogCategoryNetwork, "...");
//   LogCategoryName(6);   // "NET"
//   LogCategoryName(12);  // "???"
#ifndef TAV_LOG_LOG_CATEGORY_H_
#define TAV_LOG_LOG_CATEGORY_H_

#include <cstdint>

namespace tav {

constexpr uint64_t kLogCategoryDebug = uint64_t{1} << 0;        // "DBG"
constexpr uint64_t kLogCategoryGeneral = uint64_t{1} << 1;      // "GEN"
constexpr uint64_t kLogCategoryExtra = uint64_t{1} << 2;        // "XTR"
constexpr uint64_t kLogCategoryPerformance = uint64_t{1} << 3;  // "PRF"
constexpr uint64_t kLogCategoryMemory = uint64_t{1} << 4;       // "MEM"
constexpr uint64_t kLogCategoryDisk = uint64_t{1} << 5;         // "DSK"
constexpr uint64_t kLogCategoryNetwork = uint64_t{1} << 6;      // "NET"
constexpr uint64_t kLogCategoryTest = uint64_t{1} << 7;         // "TST"

// The three-letter name of category bit `bit` (0 is the lowest); "???" for
// bits without a name.
const char* LogCategoryName(unsigned bit);

}  // namespace tav

#endif  // TAV_LOG_LOG_CATEGORY_H_
