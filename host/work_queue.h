// The queue of work that the core thread runs: deliveries of events, answers
// that arrive late, calls into the plugin. Any thread may post; only the core
// thread runs passes.
//
// A pass runs the items that were ready when it began, in posting order;
// items posted meanwhile wait for the next pass. Passes nest: an item that
// makes the plugin yield starts an inner pass, which also runs whatever of
// the outer pass had not run yet, so a waiting handler can never starve on
// work queued behind it.
//
//   WorkQueue queue;
//   queue.Post([] { ... });                 // next pass
//   queue.PostAfterPasses(3, [] { ... });   // third pass from now
//   queue.RunUntilIdle();
#ifndef TAV_HOST_WORK_QUEUE_H_
#define TAV_HOST_WORK_QUEUE_H_

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

namespace tav::host {

class WorkQueue {
 public:
  using Work = std::function<void()>;

  // Thread-safe. Runs in the next pass.
  void Post(Work work);
  // Thread-safe. Runs in the `passes`-th pass from now; 0 and 1 both mean
  // the next pass.
  void PostAfterPasses(uint32_t passes, Work work);

  // Core thread. Runs one pass; returns the number of items it ran.
  size_t RunOnePass();
  // Core thread. Runs passes until nothing is ready or delayed, at most
  // `max_passes`; returns the number of passes run.
  size_t RunUntilIdle(size_t max_passes = 100000);

  // Blocks until an item is ready or delayed, or `timeout` passes; true when
  // there is work.
  bool WaitForWork(std::chrono::milliseconds timeout);

  bool idle() const;
  uint64_t passes() const;

 private:
  struct Item {
    uint64_t sequence;
    Work work;
  };
  struct Delayed {
    uint32_t passes_left;
    Work work;
  };

  mutable std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Item> items_;
  std::vector<Delayed> delayed_;
  uint64_t next_sequence_ = 0;
  uint64_t passes_ = 0;
};

}  // namespace tav::host

#endif  // TAV_HOST_WORK_QUEUE_H_
