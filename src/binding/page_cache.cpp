#include "binding/page_cache.h"

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cassert>

namespace tav {

namespace {

constexpr uint16_t kAllPagesFree = 0xFFFF;

// Set when the cache is destroyed (the library unloads or the process
// exits). Pages given back after that are left to the system.
std::atomic<bool> g_cache_destroyed{false};
static_assert(PageCache::kPagesPerReservation == 16, "a free mask holds one bit per page");

// Maps kReservationSize bytes aligned to kReservationSize, so that the
// reservation of any page is found by masking the page's address.
void* MapAlignedReservation() {
  const size_t span = 2 * PageCache::kReservationSize;
  void* raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const uintptr_t start = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t aligned =
      (start + PageCache::kReservationSize - 1) & ~(PageCache::kReservationSize - 1);
  const size_t head = aligned - start;
  const size_t tail = span - head - PageCache::kReservationSize;
  if (head != 0) munmap(raw, head);
  if (tail != 0) munmap(reinterpret_cast<void*>(aligned + PageCache::kReservationSize), tail);
  return reinterpret_cast<void*>(aligned);
}

}  // namespace

PageCache& PageCache::Instance() {
  static PageCache cache;
  return cache;
}

PageCache::~PageCache() {
  std::lock_guard<std::mutex> lock(mutex_);
  g_cache_destroyed.store(true);
  // Reservations still holding pages may belong to trees that outlive the
  // cache (static objects destroyed later); those stay mapped.
  if (pages_in_use_ != 0) return;
  for (const auto& [base, mask] : free_masks_) {
    munmap(reinterpret_cast<void*>(base), kReservationSize);
  }
}

void* PageCache::AcquirePage() {
  if (g_cache_destroyed.load()) return nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  uintptr_t base = 0;
  uint16_t* mask = nullptr;
  // Prefer partly used reservations, so that empty ones can be unmapped.
  while (!with_free_pages_.empty()) {
    const auto found = free_masks_.find(with_free_pages_.back());
    if (found != free_masks_.end() && found->second != 0 && found->second != kAllPagesFree) {
      base = found->first;
      mask = &found->second;
      break;
    }
    with_free_pages_.pop_back();
  }
  if (mask == nullptr && !empty_.empty()) {
    base = empty_.back();
    empty_.pop_back();
    mask = &free_masks_[base];
    with_free_pages_.push_back(base);
  }
  if (mask == nullptr) {
    void* memory = MapAlignedReservation();
    if (memory == nullptr) return nullptr;
    base = reinterpret_cast<uintptr_t>(memory);
    mask = &free_masks_[base];
    *mask = kAllPagesFree;
    with_free_pages_.push_back(base);
  }
  const unsigned index = static_cast<unsigned>(__builtin_ctz(*mask));
  *mask = static_cast<uint16_t>(*mask & ~(1u << index));
  ++pages_in_use_;
  return reinterpret_cast<void*>(base + index * kPageSize);
}

void PageCache::ReleasePage(void* page) {
  if (page == nullptr || g_cache_destroyed.load()) return;
  const uintptr_t address = reinterpret_cast<uintptr_t>(page);
  const uintptr_t base = address & ~(kReservationSize - 1);
  const unsigned index = static_cast<unsigned>((address - base) / kPageSize);

  std::lock_guard<std::mutex> lock(mutex_);
  const auto found = free_masks_.find(base);
  assert(found != free_masks_.end() && "page does not belong to the cache");
  if (found == free_masks_.end()) return;
  uint16_t& mask = found->second;
  assert((mask & (1u << index)) == 0 && "page released twice");
  if (mask == 0) with_free_pages_.push_back(base);
  mask = static_cast<uint16_t>(mask | (1u << index));
  --pages_in_use_;
  if (mask == kAllPagesFree) {
    empty_.push_back(base);
    UnmapExcessEmpty();
  }
}

void PageCache::UnmapExcessEmpty() {
  // The oldest empty reservations go first; the newest stay warm.
  if (empty_.size() <= empty_reserve_) return;
  const size_t excess = empty_.size() - empty_reserve_;
  for (size_t i = 0; i < excess; ++i) {
    munmap(reinterpret_cast<void*>(empty_[i]), kReservationSize);
    free_masks_.erase(empty_[i]);
  }
  empty_.erase(empty_.begin(), empty_.begin() + static_cast<std::ptrdiff_t>(excess));
}

void PageCache::SetEmptyReserve(size_t reservations) {
  std::lock_guard<std::mutex> lock(mutex_);
  empty_reserve_ = reservations;
  UnmapExcessEmpty();
}

size_t PageCache::ReservationCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return free_masks_.size();
}

size_t PageCache::EmptyReservationCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return empty_.size();
}

size_t PageCache::PagesInUse() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return pages_in_use_;
}

}  // namespace tav
