#include "work_queue.h"

#include <utility>

namespace tav::host {

void WorkQueue::Post(Work work) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    items_.push_back({next_sequence_++, std::move(work)});
  }
  ready_.notify_all();
}

void WorkQueue::PostAfterPasses(uint32_t passes, Work work) {
  if (passes <= 1) {
    Post(std::move(work));
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    delayed_.push_back({passes, std::move(work)});
  }
  ready_.notify_all();
}

size_t WorkQueue::RunOnePass() {
  uint64_t end;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++passes_;
    // Delayed items due in this pass join the ready ones, in posting order.
    std::vector<Delayed> still_delayed;
    for (Delayed& delayed : delayed_) {
      if (--delayed.passes_left == 0) {
        items_.push_back({next_sequence_++, std::move(delayed.work)});
      } else {
        still_delayed.push_back(std::move(delayed));
      }
    }
    delayed_ = std::move(still_delayed);
    end = next_sequence_;
  }
  size_t ran = 0;
  for (;;) {
    Work work;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (items_.empty() || items_.front().sequence >= end) break;
      work = std::move(items_.front().work);
      items_.pop_front();
    }
    work();
    ++ran;
  }
  return ran;
}

size_t WorkQueue::RunUntilIdle(size_t max_passes) {
  size_t passes = 0;
  while (passes < max_passes && !idle()) {
    RunOnePass();
    ++passes;
  }
  return passes;
}

bool WorkQueue::WaitForWork(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return ready_.wait_for(lock, timeout, [this] { return !items_.empty() || !delayed_.empty(); });
}

bool WorkQueue::idle() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return items_.empty() && delayed_.empty();
}

uint64_t WorkQueue::passes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return passes_;
}

}  // namespace tav::host
