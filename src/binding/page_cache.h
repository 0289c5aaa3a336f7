// PageCache: the process-wide source of the 4096-byte pages behind every
// BindingAllocator's pools.
//
// Pages come from 64 KiB reservations mapped from the operating system; a
// reservation whose 16 pages are all back is unmapped. To keep a tree that
// is built and dropped over and over from mapping and unmapping the same
// memory each time (a system call, a TLB flush and a page fault per page),
// the cache holds on to a bounded reserve of empty reservations and unmaps
// only beyond it. Every page is 4096-byte aligned. One mutex guards the
// cache, so allocators on different threads can share it.
//
//   void* page = PageCache::Instance().AcquirePage();
//   ...
//   PageCache::Instance().ReleasePage(page);
#ifndef TAV_BINDING_PAGE_CACHE_H_
#define TAV_BINDING_PAGE_CACHE_H_

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace tav {

class PageCache {
 public:
  static constexpr size_t kPageSize = 4096;
  static constexpr size_t kPagesPerReservation = 16;
  static constexpr size_t kReservationSize = kPageSize * kPagesPerReservation;
  // Empty reservations kept mapped by default: 16 MiB, room for a large
  // settings document and its copy.
  static constexpr size_t kDefaultEmptyReserve = 256;

  static PageCache& Instance();

  // A page of kPageSize bytes aligned to kPageSize (its content is
  // undefined); null only when the system refuses memory.
  void* AcquirePage();

  // Gives back a page obtained from AcquirePage.
  void ReleasePage(void* page);

  // How many empty reservations stay mapped; lowering it unmaps the excess
  // at once. 0 unmaps every reservation as soon as its pages are all back.
  void SetEmptyReserve(size_t reservations);

  // Mapped reservations, empty ones among them, and pages handed out.
  size_t ReservationCount() const;
  size_t EmptyReservationCount() const;
  size_t PagesInUse() const;

 private:
  PageCache() = default;
  ~PageCache();
  void UnmapExcessEmpty();

  mutable std::mutex mutex_;
  // Base address of every mapped reservation -> bit i set when page i is in
  // the cache rather than handed out.
  std::unordered_map<uintptr_t, uint16_t> free_masks_;
  // Reservations that had a free page when listed; entries may be stale and
  // are checked against free_masks_ when used.
  std::vector<uintptr_t> with_free_pages_;
  // Empty reservations, the ones unmapped first.
  std::vector<uintptr_t> empty_;
  size_t empty_reserve_ = kDefaultEmptyReserve;
  size_t pages_in_use_ = 0;
};

}  // namespace tav

#endif  // TAV_BINDING_PAGE_CACHE_H_
