#include "perks/customization_limits.h"

#include <gtest/gtest.h>

namespace tav::perks {
namespace {

TEST(CustomizationLimits, LevelsUnlockFlagsInSteps) {
  struct Case {
    uint32_t level;
    int32_t flags;
  };
  // Pages 1, keystones 2, primaries 4, splash 8, advanced styles 16.
  const Case kCases[] = {
      {0, 31}, {1, 0},  {7, 0},   {8, 1},   {10, 1},  {11, 3},  {12, 3},
      {13, 7}, {14, 7}, {15, 15}, {16, 15}, {17, 31}, {18, 31}, {4294967295u, 31},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.level);
    EXPECT_EQ(static_cast<int32_t>(CustomizationLimitsForLevel(c.level)), c.flags);
  }
  EXPECT_EQ(CustomizationLimitsForLevel(7), api::CustomizationLimits::Locked);
}

}  // namespace
}  // namespace tav::perks
