#include "binding/binding_allocator.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "binding/binding_property.h"
#include "binding/page_cache.h"

namespace tav {
namespace {

TEST(BindingAllocator, AnInternedStringLivesUntilItsLastCellIsCleared) {
  BindingProperty tree;
  for (size_t i = 0; i < 3; ++i) tree.MutableElement(i).SetString("kMixedRegularSplashable");
  const BindingAllocator* allocator = tree.allocator();
  ASSERT_NE(allocator, nullptr);
  EXPECT_EQ(allocator->InternedReferences("kMixedRegularSplashable"), 3u);
  const size_t entries = allocator->InternedCount();

  tree.MutableElement(0).Clear();
  tree.MutableElement(1).SetInt64(1);
  EXPECT_EQ(allocator->InternedReferences("kMixedRegularSplashable"), 1u);
  EXPECT_EQ(allocator->InternedCount(), entries);
  tree.MutableElement(2).Clear();
  EXPECT_EQ(allocator->InternedReferences("kMixedRegularSplashable"), 0u);
  EXPECT_EQ(allocator->InternedCount(), entries - 1);
}

TEST(BindingAllocator, LongTextsAreCountedButNotInterned) {
  const std::string long_text(BindingAllocator::kLongestInternedText + 1, 'x');
  const std::string short_text(BindingAllocator::kLongestInternedText, 'y');
  BindingProperty tree;
  tree.MutableElement(0).SetString(long_text);
  tree.MutableElement(1).SetString(short_text);
  const BindingAllocator* allocator = tree.allocator();
  EXPECT_EQ(allocator->InternedReferences(short_text), 1u);
  EXPECT_EQ(allocator->InternedReferences(long_text), 0u);
  EXPECT_EQ(allocator->InternedCount(), 1u);

  // Copies within the tree share the entry; copies into another tree and
  // the originals stay valid whatever is released first.
  tree.MutableElement(2).Assign(tree[0]);
  BindingProperty other = tree.Clone();
  tree.MutableElement(0).Clear();
  EXPECT_EQ(tree[2].GetString(), long_text);
  tree.MutableElement(2).SetInt64(1);
  EXPECT_EQ(other[0].GetString(), long_text);
  EXPECT_EQ(other[2].GetString(), long_text);
}

TEST(BindingAllocator, BlocksAreDistinctAndAligned) {
  BindingAllocator* allocator = BindingAllocator::Create();
  const size_t sizes[] = {4, 8, 12, 24, 72, 100, 1000, 5000};
  std::vector<std::pair<void*, size_t>> blocks;
  for (size_t size : sizes) {
    for (int i = 0; i < 200; ++i) {
      void* block = allocator->Allocate(size);
      if (size % 8 == 0) {
        EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 8, 0u) << size;
      }
      std::memset(block, 0xAB, size);
      blocks.emplace_back(block, size);
    }
  }
  const std::set<std::pair<void*, size_t>> distinct(blocks.begin(), blocks.end());
  EXPECT_EQ(distinct.size(), blocks.size());
  for (const auto& [block, size] : blocks) allocator->Free(block, size);
  allocator->Release();
}

// Each tree has its own allocator, and all of them share the page cache.
TEST(BindingAllocator, TreesBuildOnSeveralThreadsAtOnce) {
  auto build = [](int seed, std::string* out) {
    for (int round = 0; round < 20; ++round) {
      BindingProperty tree;
      for (int i = 0; i < 2000; ++i) {
        BindingProperty& page = tree.MutableElement(static_cast<size_t>(i));
        page.MutableField("id").SetInt64(seed * 100000 + i);
        page.MutableField("name").SetString("thread " + std::to_string(seed));
      }
      BindingProperty copy = tree.Clone();
      *out = std::string(copy[1999]["name"].GetString()) + ":" +
             std::to_string(copy[1999]["id"].GetInt64(0));
    }
  };
  std::vector<std::string> results(4);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) threads.emplace_back(build, t, &results[static_cast<size_t>(t)]);
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < 4; ++t) {
    EXPECT_EQ(results[static_cast<size_t>(t)],
              "thread " + std::to_string(t) + ":" + std::to_string(t * 100000 + 1999));
  }
}

void BuildAndDropBigTree(size_t cells) {
  BindingProperty big;
  for (size_t i = 0; i < cells; ++i) {
    BindingProperty& cell = big.MutableElement(i);
    cell.MutableField("id").SetInt64(static_cast<int64_t>(i));
    cell.MutableField("name").SetString("page " + std::to_string(i % 97));
  }
}

TEST(PageCache, EmptyReservationsBeyondTheReserveAreUnmapped) {
  PageCache& cache = PageCache::Instance();
  cache.SetEmptyReserve(0);
  const size_t pages_before = cache.PagesInUse();
  const size_t reservations_before = cache.ReservationCount();
  BuildAndDropBigTree(20000);
  EXPECT_EQ(cache.PagesInUse(), pages_before);
  EXPECT_EQ(cache.ReservationCount(), reservations_before);
  EXPECT_EQ(cache.EmptyReservationCount(), 0u);

  // With a reserve, the memory of a dropped tree stays mapped for the next
  // one, up to the reserve.
  cache.SetEmptyReserve(2);
  BuildAndDropBigTree(20000);
  EXPECT_EQ(cache.PagesInUse(), pages_before);
  EXPECT_EQ(cache.EmptyReservationCount(), 2u);
  EXPECT_EQ(cache.ReservationCount(), reservations_before + 2);
  cache.SetEmptyReserve(0);
  EXPECT_EQ(cache.ReservationCount(), reservations_before);
  cache.SetEmptyReserve(PageCache::kDefaultEmptyReserve);
}

}  // namespace
}  // namespace tav
