#include "binding/page_cache.h"

#include <sys/mman.h>

#include <cassert>

namespace tav {

namespace {

constexpr uint16_t kAllPagesFree = 0xFFFF;
static_assert(PageCache::kPagesPerReservation == 16, "free_mask holds one bit per page");

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
  // Never destroyed: allocators in static objects may release pages during
  // exit, after other statics are gone.
  static PageCache* cache = new PageCache();
  return *cache;
}

PageCache::Reservation* PageCache::FindReservation(uintptr_t base) {
  for (Reservation& reservation : reservations_) {
    if (reservation.base == base) return &reservation;
  }
  return nullptr;
}

void* PageCache::AcquirePage() {
  std::lock_guard<std::mutex> lock(mutex_);
  Reservation* source = nullptr;
  for (Reservation& reservation : reservations_) {
    if (reservation.free_mask != 0) {
      source = &reservation;
      break;
    }
  }
  if (source == nullptr) {
    void* memory = MapAlignedReservation();
    if (memory == nullptr) return nullptr;
    reservations_.push_back({reinterpret_cast<uintptr_t>(memory), kAllPagesFree});
    source = &reservations_.back();
  }
  const unsigned index = static_cast<unsigned>(__builtin_ctz(source->free_mask));
  source->free_mask = static_cast<uint16_t>(source->free_mask & ~(1u << index));
  ++pages_in_use_;
  return reinterpret_cast<void*>(source->base + index * kPageSize);
}

void PageCache::ReleasePage(void* page) {
  if (page == nullptr) return;
  const uintptr_t address = reinterpret_cast<uintptr_t>(page);
  const uintptr_t base = address & ~(kReservationSize - 1);
  const unsigned index = static_cast<unsigned>((address - base) / kPageSize);

  std::lock_guard<std::mutex> lock(mutex_);
  Reservation* reservation = FindReservation(base);
  assert(reservation != nullptr && "page does not belong to the cache");
  assert((reservation->free_mask & (1u << index)) == 0 && "page released twice");
  if (reservation == nullptr) return;
  reservation->free_mask = static_cast<uint16_t>(reservation->free_mask | (1u << index));
  --pages_in_use_;
  if (reservation->free_mask == kAllPagesFree) {
    munmap(reinterpret_cast<void*>(reservation->base), kReservationSize);
    *reservation = reservations_.back();
    reservations_.pop_back();
  }
}

size_t PageCache::ReservationCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return reservations_.size();
}

size_t PageCache::PagesInUse() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return pages_in_use_;
}

}  // namespace tav
