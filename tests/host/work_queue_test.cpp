#include "host/work_queue.h"

#include <gtest/gtest.h>

#include <string>

namespace tav::host {
namespace {

TEST(WorkQueue, PassRunsOnlyWhatWasReadyWhenItBegan) {
  WorkQueue queue;
  std::string order;
  queue.Post([&] {
    order += "a";
    queue.Post([&] { order += "c"; });
  });
  queue.Post([&] { order += "b"; });
  EXPECT_EQ(queue.RunOnePass(), 2u);
  EXPECT_EQ(order, "ab");
  EXPECT_EQ(queue.RunOnePass(), 1u);
  EXPECT_EQ(order, "abc");
  EXPECT_TRUE(queue.idle());
}

// An item that yields (runs a nested pass) must see the work queued behind
// it, or a handler waiting for that work would wait forever.
TEST(WorkQueue, NestedPassRunsTheRestOfTheOuterPass) {
  WorkQueue queue;
  std::string order;
  queue.Post([&] {
    order += "[";
    queue.RunOnePass();
    order += "]";
  });
  queue.Post([&] { order += "b"; });
  queue.Post([&] { order += "c"; });
  EXPECT_EQ(queue.RunOnePass(), 1u);
  EXPECT_EQ(order, "[bc]");
  EXPECT_EQ(queue.passes(), 2u);
}

TEST(WorkQueue, DelayedWorkRunsInTheChosenPassAndRunUntilIdleStopsAtItsLimit) {
  for (uint32_t delay : {0u, 1u, 5u}) {
    SCOPED_TRACE(delay);
    WorkQueue queue;
    uint64_t ran_in_pass = 0;
    queue.PostAfterPasses(delay, [&] { ran_in_pass = queue.passes(); });
    EXPECT_EQ(queue.RunUntilIdle(), delay == 0 ? 1u : delay);
    EXPECT_EQ(ran_in_pass, delay == 0 ? 1u : delay);
  }
  WorkQueue queue;
  std::function<void()> again = [&] { queue.Post(again); };
  queue.Post(again);
  EXPECT_EQ(queue.RunUntilIdle(7), 7u);
  EXPECT_FALSE(queue.idle());
}

}  // namespace
}  // namespace tav::host
