// A development core with the calls test plugin loaded and initialised.
// Every test ends by shutting the plugin down and checking that the core saw
// no fault at the boundary.
#ifndef TAV_TESTS_CALLS_E2E_CALLS_E2E_FIXTURE_H_
#define TAV_TESTS_CALLS_E2E_CALLS_E2E_FIXTURE_H_

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "host/dev_core.h"
#include "host/json_text.h"

namespace tav::host {

class CallsE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(core_.Load(TAV_CALLS_E2E_PLUGIN_PATH)) << core_.load_error();
    ASSERT_TRUE(core_.Initialize());
    core_.RunUntilIdle();
  }

  void TearDown() override {
    core_.Shutdown();
    EXPECT_THAT(core_.faults(), ::testing::IsEmpty());
    EXPECT_EQ(core_.stream_stats()->outstanding(), 0u);
  }

  static CallOptions Query() { return CallOptions(); }
  static CallOptions JsonBody(std::string json) {
    return std::move(CallOptions().Body(std::move(json), "application/json"));
  }

  // The messages of the plugin's log lines of `level` (the text after the
  // line's last "| ").
  std::vector<std::string> LogMessages(int32_t level) const {
    std::vector<std::string> messages;
    for (const LogLine& line : core_.log()) {
      if (line.level != level) continue;
      const size_t bar = line.text.rfind("| ");
      messages.push_back(bar == std::string::npos ? line.text : line.text.substr(bar + 2));
    }
    return messages;
  }

  DevCore core_;
};

}  // namespace tav::host

#endif  // TAV_TESTS_CALLS_E2E_CALLS_E2E_FIXTURE_H_
