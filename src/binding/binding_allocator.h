// BindingAllocator: the storage behind one BindingProperty tree.
//
// It pools small blocks in size classes (4 to 72 bytes in steps of 4, then a
// few larger classes up to 1024 bytes) and interns strings: equal texts of a
// tree are stored once and reference-counted. Each size class starts in a
// small area embedded in the allocator and then takes 4096-byte pages from
// the process-wide PageCache; a page goes back to the cache when its last
// block is freed. Larger blocks come from the general heap.
//
// An allocator is reference-counted by the cells that use it and is not
// synchronised: one thread uses a tree at a time.
//
//   BindingAllocator* allocator = BindingAllocator::Create();
//   const InternedString* name = allocator->Intern("primaryStyleId");
//   allocator->ReleaseString(name);
//   allocator->Release();
#ifndef TAV_BINDING_BINDING_ALLOCATOR_H_
#define TAV_BINDING_BINDING_ALLOCATOR_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "binding/binding_property.h"
#include "binding/fnv1a.h"

namespace tav {

class BindingAllocator {
 public:
  static constexpr size_t kSmallClassCount = 18;  // 4, 8, ... 72 bytes
  static constexpr size_t kSmallClassStep = 4;
  static constexpr size_t kLargestSmallBlock = kSmallClassCount * kSmallClassStep;
  static constexpr size_t kEmbeddedAreaSize = 144;
  static constexpr size_t kLargestPooledBlock = 1024;

  // A new allocator whose reference count is 1.
  static BindingAllocator* Create();

  void AddRef() { ++references_; }
  // Drops one reference; the allocator deletes itself at zero.
  void Release() {
    if (--references_ == 0) Destroy();
  }
  uint32_t references() const { return references_; }
  // Drops `count` references known not to be the last ones (a container
  // releasing children that share its allocator).
  void DropReferences(uint32_t count) { references_ -= count; }
  // Adds `count` references at once (a builder handing over children).
  void AddReferences(uint32_t count) { references_ += count; }

  // A block of at least `size` bytes (size > 0). Blocks whose size is a
  // multiple of 8 are 8-byte aligned. Pooled up to kLargestPooledBlock.
  void* Allocate(size_t size);
  // Gives back a block; `size` is the size it was allocated with.
  void Free(void* block, size_t size);
  // The size Allocate would really reserve for `size`, so that callers can
  // use the slack of a size class.
  static size_t UsableSize(size_t size);

  // Texts up to this length are interned. Longer ones (descriptions,
  // tooltips, asset paths) are nearly always unique in a tree, so each gets
  // an entry of its own, reference-counted like the others but never hashed
  // or entered in the table: FNV-1a runs at about four cycles a byte, and
  // hashing unique paths of 33 to 64 bytes alone cost a quarter of a
  // catalogue's decode time.
  static constexpr size_t kLongestInternedText = 32;

  // Interns `text`, adding one reference to its entry (see
  // kLongestInternedText for long texts). The empty text is never stored:
  // the shared empty entry stands for it.
  const InternedString* Intern(std::string_view text);
  // Adds a reference to an entry of this allocator.
  // Inline: builders retain a name for nearly every field they make. Only
  // the shared empty entry has length 0, and its count is never kept.
  void RetainString(const InternedString* entry) {
    if (entry->length != 0) ++const_cast<InternedString*>(entry)->references;
  }
  // Drops one reference; the entry is erased at zero. The shared empty
  // entry (and null) is ignored.
  // Inline: a tree's teardown releases a name or text for nearly every cell.
  void ReleaseString(const InternedString* entry) {
    if (entry == nullptr || entry->length == 0) return;
    if (--const_cast<InternedString*>(entry)->references == 0) EraseString(entry);
  }

  // The shared entry of the empty text.
  static const InternedString* EmptyString();

  // Number of interned entries and the reference count of `text` (0 when
  // absent). For tests and statistics.
  size_t InternedCount() const { return intern_count_; }
  uint32_t InternedReferences(std::string_view text) const;

 private:
  // Bookkeeping of one embedded area or page: a free list of 16-bit block
  // indices threaded through the free blocks, a bump index for blocks never
  // used, and the count of blocks in use. A page keeps it in its first bytes.
  struct PoolArea {
    PoolArea* next;
    PoolArea* prev;
    unsigned char* data;
    uint16_t free_head;
    uint16_t used;
    uint16_t bump;
    uint16_t capacity;
    uint32_t block_size;
    bool is_page;
  };
  struct SizeClass {
    PoolArea* partial = nullptr;  // areas with at least one free block
    uint32_t block_size = 0;
  };

  BindingAllocator();
  ~BindingAllocator();
  BindingAllocator(const BindingAllocator&) = delete;
  BindingAllocator& operator=(const BindingAllocator&) = delete;
  void Destroy();

  static size_t ClassIndex(size_t size);
  void* AllocateFromClass(size_t index);
  void FreeToClass(void* block, size_t index);
  PoolArea* AreaOf(void* block, size_t index);
  static void LinkArea(SizeClass& size_class, PoolArea* area);
  static void UnlinkArea(SizeClass& size_class, PoolArea* area);

  InternedString* FindInterned(std::string_view text, uint32_t hash) const;
  // Frees an entry whose last reference is gone.
  void EraseString(const InternedString* entry);
  void GrowInternTable();

  static constexpr size_t kLargeClassCount = 4;  // 128, 256, 512, 1024 bytes
  static constexpr size_t kClassCount = kSmallClassCount + kLargeClassCount;

  uint32_t references_ = 1;
  SizeClass classes_[kClassCount];
  PoolArea embedded_areas_[kSmallClassCount];
  InternedString** buckets_ = nullptr;
  uint32_t bucket_count_ = 0;
  uint32_t intern_count_ = 0;
  alignas(16) unsigned char embedded_[kSmallClassCount][kEmbeddedAreaSize];
};

}  // namespace tav

#endif  // TAV_BINDING_BINDING_ALLOCATOR_H_
