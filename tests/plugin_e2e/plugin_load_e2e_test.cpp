// Loading the real plugin library through the development core: the version
// handshake, the answer in the host info and a clean start and stop.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "host/dev_core.h"

namespace tav::host {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct Version {
  uint32_t major, minor, patch;
};

TEST(PluginLoad, CompatibleCoresAreAccepted) {
  for (const Version& version : {Version{18, 0, 0}, Version{18, 0, 1}, Version{18, 5, 0}}) {
    SCOPED_TRACE(std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
                 std::to_string(version.patch));
    DevCore core;
    ASSERT_TRUE(core.Load(TAV_PERKS_PLUGIN_PATH, version.major, version.minor, version.patch))
        << core.load_error();
    const PluginHostInfo& info = core.library().info();
    EXPECT_EQ(info.major, 18u);
    EXPECT_EQ(info.minor, 0u);
    EXPECT_EQ(info.patch, 0u);
    EXPECT_EQ(core.library().short_name(), "tav-perks");
    EXPECT_THAT(core.api().faults, IsEmpty());
    core.Shutdown();
    EXPECT_THAT(core.faults(), IsEmpty());
  }
}

TEST(PluginLoadDeathTest, OlderMinorCoreIsRefusedWithTheFatalReport) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        DevCore core;
        core.Load(TAV_PERKS_PLUGIN_PATH, 17, 9, 9);
      },
      "Expression: ALE-EECF0606.*Description: tav-perks which supports plugin API 18\\.0\\.0 "
      "is not compatible with core's plugin API 17\\.9\\.9");
}

TEST(PluginLoadDeathTest, NewerMajorCoreIsRefusedWithTheFatalReport) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        DevCore core;
        core.Load(TAV_PERKS_PLUGIN_PATH, 19, 0, 0);
      },
      "Expression: ALE-EECF0606.*Description: tav-perks which supports plugin API 18\\.0\\.0 "
      "is not compatible with core's plugin API 19\\.0\\.0");
}

TEST(PluginLoad, InitializeRegistersTheServiceProxyEventsAndShutdownUnregistersThem) {
  DevCore core;
  ASSERT_TRUE(core.Load(TAV_PERKS_PLUGIN_PATH)) << core.load_error();
  ASSERT_TRUE(core.Initialize(0xC0FFEE));
  std::vector<std::string> registered;
  for (const RegistrationCall& call : core.registration_calls()) {
    EXPECT_TRUE(call.is_register) << call.name;
    EXPECT_EQ(call.host_context, 0xC0FFEEu) << call.name;
    // Flag 0 registrations are the perks module's own resource subscriptions.
    if (call.flag == 0) continue;
    EXPECT_EQ(call.flag, 1u) << call.name;
    registered.push_back(call.name);
  }
  EXPECT_THAT(registered, ElementsAre("OnServiceProxyUuidEvent", "OnServiceProxyMethodEvent",
                                      "OnServiceProxyAsyncEvent"));
  core.Shutdown();
  EXPECT_THAT(core.registrations(), IsEmpty());
  EXPECT_THAT(core.faults(), IsEmpty());
}

}  // namespace
}  // namespace tav::host
