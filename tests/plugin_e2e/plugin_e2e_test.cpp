// The frame through the development core and real shared libraries: the
// version handshake of libtav_perks.so, the function descriptions, failure
// answers with a streamed body, and the heap counters.
#include <dlfcn.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "e2e_fixture.h"

namespace tav::host {
namespace {

using ::testing::ElementsAre;

// Keeps both libraries mapped for the whole program, as a core that loads a
// plugin once and never unloads it would. Each test still loads, initialises
// and shuts down its own module; only process-wide caches outlive a test.
class KeepPluginsLoaded : public ::testing::Environment {
 public:
  void SetUp() override {
    for (const char* path : {TAV_PERKS_PLUGIN_PATH, TAV_E2E_PLUGIN_PATH}) {
      ASSERT_NE(dlopen(path, RTLD_NOW | RTLD_LOCAL), nullptr) << dlerror();
    }
  }
};

[[maybe_unused]] ::testing::Environment* const kKeepPluginsLoaded =
    ::testing::AddGlobalTestEnvironment(new KeepPluginsLoaded);

TEST(PluginLoadDeathTest, IncompatibleCoreIsRefusedWithTheFatalReport) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  struct Core {
    uint32_t major, minor, patch;
    const char* text;
  };
  for (const Core& c : {Core{17, 9, 9, "17\\.9\\.9"}, Core{19, 0, 0, "19\\.0\\.0"}}) {
    SCOPED_TRACE(c.text);
    EXPECT_DEATH(
        {
          DevCore core;
          core.Load(TAV_PERKS_PLUGIN_PATH, c.major, c.minor, c.patch);
        },
        std::string("Expression: ALE-EECF0606.*Description: tav-perks which supports plugin API "
                    "18\\.0\\.0 is not compatible with core's plugin API ") +
            c.text);
  }
}

using FrameTest = E2ePluginTest;

TEST_F(FrameTest, DescriptionListsParametersAndResultTypes) {
  const ApiFunction* echo = nullptr;
  for (const ApiFunction& function : core_.api().functions) {
    if (function.name == "PostE2eV1EchoById") echo = &function;
  }
  ASSERT_NE(echo, nullptr);
  EXPECT_EQ(echo->name_space, "TavE2e");
  std::vector<std::string> arguments;
  for (const ApiArgument& argument : echo->arguments) {
    arguments.push_back(argument.name + (argument.optional ? "?" : "") + ":" +
                        std::to_string(argument.type.code));
  }
  // Codes: 6 int32, 1 bool, 15 vector, 12 string, 17 structure.
  EXPECT_THAT(arguments, ElementsAre("id:6", "flag:1", "ids?:15", "label?:12", "trace?:12",
                                     "limit?:6", "crate?:17"));
  EXPECT_EQ(echo->return_type.code, 15u);
}

TEST_F(FrameTest, FailuresCarryStatusTextsHeadersAndAStreamedBody) {
  CallResult result = core_.Get("/e2e/v1/refusal");
  EXPECT_EQ(result.status, 418u);
  EXPECT_EQ(result.error, "Teapot refuses");
  EXPECT_EQ(result.additional_text, "steeping");
  EXPECT_THAT(result.headers,
              ElementsAre(::testing::Pair("Retry-After", "5"), ::testing::Pair("X-Brew", "oolong")));
  EXPECT_TRUE(result.streamed);
  EXPECT_EQ(result.stream_size, 32u);
  EXPECT_EQ(result.body, "the long story of a refused brew");
  EXPECT_EQ(result.stream_reads, 5u);  // pieces of at most 7 bytes
}

TEST_F(FrameTest, HeapCountersFollowThePluginsAllocationsOnly) {
  // A first call fills what the plugin keeps between calls.
  ASSERT_TRUE(core_.Get("/e2e/v1/crates?count=200").ok());
  const MemoryStatistics before = core_.GetMemoryStatistics();
  EXPECT_EQ(before.reserved0, 0u);
  EXPECT_EQ(before.reserved1, 0u);

  // The host's own allocations do not show.
  auto host_block = std::make_unique<std::vector<char>>(1 << 20, 'x');
  const MemoryStatistics unchanged = core_.GetMemoryStatistics();
  EXPECT_EQ(unchanged.allocation_count, before.allocation_count);
  EXPECT_EQ(unchanged.total_bytes_allocated, before.total_bytes_allocated);

  // A call that builds 200 structures does.
  ASSERT_TRUE(core_.Get("/e2e/v1/crates?count=200").ok());
  const MemoryStatistics after = core_.GetMemoryStatistics();
  EXPECT_GE(after.allocation_count - before.allocation_count, 200u);
  EXPECT_GE(after.total_bytes_allocated - before.total_bytes_allocated, 200u * 40u);
  EXPECT_GE(after.peak_bytes, before.peak_bytes);

  // Whatever an answer holds is freed once the core has released it.
  for (const char* url : {"/e2e/v1/crates?count=200", "/e2e/v1/refusal", "/e2e/v1/crates?count=x"}) {
    SCOPED_TRACE(url);
    const MemoryStatistics start = core_.GetMemoryStatistics();
    core_.Get(url);
    const MemoryStatistics end = core_.GetMemoryStatistics();
    EXPECT_GT(end.allocation_count, start.allocation_count);
    EXPECT_EQ(end.free_count - start.free_count, end.allocation_count - start.allocation_count);
    EXPECT_EQ(end.total_bytes_freed - start.total_bytes_freed,
              end.total_bytes_allocated - start.total_bytes_allocated);
  }
}

}  // namespace
}  // namespace tav::host
