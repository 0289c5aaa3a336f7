// The module base through the development core: subscriptions left at
// shutdown, waiting, failure answers with headers and streamed bodies, and
// the heap counters.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "e2e_fixture.h"

namespace tav::host {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;

using ModuleTest = E2ePluginTest;

// The resource-event registrations (flag 0) the core saw, in order, as
// "+name" and "-name".
std::vector<std::string> ResourceRegistrations(const DevCore& core) {
  std::vector<std::string> calls;
  for (const RegistrationCall& call : core.registration_calls()) {
    if (call.is_register && call.flag != 0) continue;
    calls.push_back((call.is_register ? "+" : "-") + call.name);
  }
  return calls;
}

TEST_F(ModuleTest, ShutdownUnregistersSubscriptionsStillHeld) {
  ASSERT_TRUE(Call(TAV_METHOD_POST, "/e2e/v1/subscriptions?path=/tav-login/v1/session").ok());
  core_.Shutdown();
  EXPECT_THAT(core_.registrations(), IsEmpty());
  EXPECT_THAT(ResourceRegistrations(core_),
              ::testing::Contains("-OnJsonApiEvent_tav-login_v1_session"));
}

TEST_F(ModuleTest, AwaitWaitsPassByPassUntilTheValueArrives) {
  // The release is a call into the plugin that the core runs in its third
  // pass from now, which is inside the waiting handler's third Yield.
  std::unique_ptr<CallResult> release;
  core_.queue().PostAfterPasses(3, [&] {
    release = std::make_unique<CallResult>(
        Call(TAV_METHOD_POST, "/e2e/v1/wait/release", CallOptions().Body("7", "application/json")));
  });
  CallResult result = Call(TAV_METHOD_GET, "/e2e/v1/wait/release");
  ASSERT_TRUE(result.ok()) << result.Summary();
  EXPECT_EQ(result.ValueJson(), "7");
  ASSERT_NE(release, nullptr);
  EXPECT_TRUE(release->ok()) << release->Summary();
  EXPECT_THAT(core_.wait_labels(), ElementsAre("Wait: future<tav::MaybeType<tav::Failure, int>>"));
  EXPECT_EQ(core_.yield_count(), 3u);
  EXPECT_EQ(core_.end_wait_count(), 1u);
  EXPECT_EQ(core_.open_waits(), 0u);
}

TEST_F(ModuleTest, FailuresCarryStatusTextsHeadersAndAStreamedBody) {
  CallResult result = Call(TAV_METHOD_GET, "/e2e/v1/refusal");
  EXPECT_EQ(result.status, 418u);
  EXPECT_EQ(result.error, "Teapot refuses");
  EXPECT_EQ(result.additional_text, "steeping");
  EXPECT_THAT(result.headers, ElementsAre(Pair("Retry-After", "5"), Pair("X-Brew", "oolong")));
  EXPECT_TRUE(result.streamed);
  EXPECT_EQ(result.stream_size, 32u);
  EXPECT_EQ(result.body, "the long story of a refused brew");
  EXPECT_EQ(result.stream_reads, 5u);  // pieces of at most 7 bytes
  EXPECT_THAT(result.faults, IsEmpty());
}

TEST_F(ModuleTest, HeapCountersFollowThePluginsAllocationsOnly) {
  // A first call fills what the plugin keeps between calls.
  ASSERT_TRUE(Call(TAV_METHOD_GET, "/e2e/v1/crates?count=200").ok());
  const MemoryStatistics before = core_.GetMemoryStatistics();
  EXPECT_EQ(before.reserved0, 0u);
  EXPECT_EQ(before.reserved1, 0u);
  EXPECT_GT(before.allocation_count, 0u);  // the module itself

  // The host's own allocations do not show.
  auto host_block = std::make_unique<std::vector<char>>(1 << 20, 'x');
  std::vector<std::string> host_texts(1000, std::string(100, 'y'));
  const MemoryStatistics unchanged = core_.GetMemoryStatistics();
  EXPECT_EQ(unchanged.allocation_count, before.allocation_count);
  EXPECT_EQ(unchanged.total_bytes_allocated, before.total_bytes_allocated);
  EXPECT_EQ(unchanged.free_count, before.free_count);

  // A call that builds 200 structures does, and everything it allocated is
  // freed once the core has released the answer.
  CallResult result = Call(TAV_METHOD_GET, "/e2e/v1/crates?count=200");
  ASSERT_TRUE(result.ok()) << result.Summary();
  const MemoryStatistics after = core_.GetMemoryStatistics();
  const uint64_t allocations = after.allocation_count - before.allocation_count;
  EXPECT_GE(allocations, 200u);
  EXPECT_GE(after.total_bytes_allocated - before.total_bytes_allocated, 200u * 40u);
  EXPECT_EQ(after.free_count - before.free_count, allocations);
  EXPECT_EQ(after.total_bytes_freed - before.total_bytes_freed,
            after.total_bytes_allocated - before.total_bytes_allocated);
  EXPECT_GE(after.peak_bytes, before.peak_bytes);
}

}  // namespace
}  // namespace tav::host
