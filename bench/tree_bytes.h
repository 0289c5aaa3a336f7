// The memory one tree holds, for benchmarks that report it next to their
// times: heap in use (small blocks and mapped large ones) plus the pool
// pages handed out while the tree was built. Single-threaded programs only.
//
//   state.counters["tree_bytes_per_input_byte"] =
//       TreeBytes([&] { return tav::ParseJson(text); }) / text.size();
#ifndef TAV_BENCH_TREE_BYTES_H_
#define TAV_BENCH_TREE_BYTES_H_

#include <malloc.h>

#include <cstddef>

#include "binding/page_cache.h"

namespace tav_bench {

inline size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// Bytes held by what `build` returns, measured while it is alive.
template <typename Build>
double TreeBytes(Build build) {
  const size_t heap_before = HeapInUse();
  const size_t pages_before = tav::PageCache::Instance().PagesInUse();
  auto tree = build();
  const size_t heap = HeapInUse() - heap_before;
  const size_t pages = tav::PageCache::Instance().PagesInUse() - pages_before;
  benchmark::DoNotOptimize(tree);
  return static_cast<double>(heap + pages * tav::PageCache::kPageSize);
}

}  // namespace tav_bench

#endif  // TAV_BENCH_TREE_BYTES_H_
