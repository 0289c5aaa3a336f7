// A development core with the end-to-end test plugin loaded and initialised.
// Every test ends by shutting the plugin down and checking that the core saw
// no fault at the boundary.
#ifndef TAV_TESTS_PLUGIN_E2E_E2E_FIXTURE_H_
#define TAV_TESTS_PLUGIN_E2E_E2E_FIXTURE_H_

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "host/dev_core.h"

namespace tav::host {

class E2ePluginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(core_.Load(TAV_E2E_PLUGIN_PATH)) << core_.load_error();
    ASSERT_TRUE(core_.Initialize());
  }

  void TearDown() override {
    core_.Shutdown();
    EXPECT_THAT(core_.faults(), ::testing::IsEmpty());
  }

  DevCore core_;
};

}  // namespace tav::host

#endif  // TAV_TESTS_PLUGIN_E2E_E2E_FIXTURE_H_
