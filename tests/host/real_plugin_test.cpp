// The real plugin library through the development core. Until the library
// has its entry, the test says so and skips.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "host/dev_core.h"

namespace tav::host {
namespace {

using ::testing::IsEmpty;

TEST(RealPlugin, LoadsWithItsNameVersionAndSoundTables) {
  DevCore core;
  if (!core.Load(TAV_PERKS_PLUGIN_PATH)) {
    if (core.load_error().find("does not export load_tav_perks") != std::string::npos) {
      GTEST_SKIP() << core.load_error();
    }
    FAIL() << core.load_error();
  }
  EXPECT_EQ(core.library().short_name(), "tav-perks");
  const PluginHostInfo& info = core.library().info();
  EXPECT_EQ(+info.major, 18u);
  EXPECT_EQ(+info.minor, 0u);
  EXPECT_EQ(+info.patch, 0u);
  EXPECT_THAT(core.api().faults, IsEmpty());
  core.Shutdown();
  EXPECT_THAT(core.faults(), IsEmpty());
}

}  // namespace
}  // namespace tav::host
