// PageCache: the process-wide source of the 4096-byte pages behind every
// BindingAllocator's pools.
//
// Pages come from 64 KiB reservations mapped from the operating system; a
// reservation is unmapped again as soon as all 16 of its pages are back.
// Every page is 4096-byte aligned. One mutex guards the cache, so
// allocators on different threads can share it.
//
//   void* page = PageCache::Instance().AcquirePage();
//   ...
//   PageCache::Instance().ReleasePage(page);
#ifndef TAV_BINDING_PAGE_CACHE_H_
#define TAV_BINDING_PAGE_CACHE_H_

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace tav {

class PageCache {
 public:
  static constexpr size_t kPageSize = 4096;
  static constexpr size_t kPagesPerReservation = 16;
  static constexpr size_t kReservationSize = kPageSize * kPagesPerReservation;

  static PageCache& Instance();

  // A zero-initialised-or-reused page of kPageSize bytes, aligned to
  // kPageSize; null only when the system refuses memory.
  void* AcquirePage();

  // Gives back a page obtained from AcquirePage.
  void ReleasePage(void* page);

  // Mapped reservations; for tests and statistics.
  size_t ReservationCount() const;
  // Pages handed out and not yet released.
  size_t PagesInUse() const;

 private:
  struct Reservation {
    uintptr_t base;
    uint16_t free_mask;  // bit i set: page i is in the cache, not handed out
  };

  PageCache() = default;
  Reservation* FindReservation(uintptr_t base);

  mutable std::mutex mutex_;
  std::vector<Reservation> reservations_;
  size_t pages_in_use_ = 0;
};

}  // namespace tav

#endif  // TAV_BINDING_PAGE_CACHE_H_
