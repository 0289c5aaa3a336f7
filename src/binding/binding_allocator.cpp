#include "binding/binding_allocator.h"

#include <cassert>
#include <cstring>
#include <new>

#include "binding/page_cache.h"

namespace tav {

namespace {

constexpr uint16_t kNoBlock = 0xFFFF;
constexpr uint32_t kFnvOffsetBasis = 0x811C9DC5u;
constexpr uint32_t kInitialBuckets = 8;
constexpr size_t kLargeClassSizes[] = {128, 256, 512, 1024};

// Pages keep their bookkeeping in their first bytes; blocks start here.
constexpr size_t kPageDataOffset = 48;

InternedString g_empty_string = {nullptr, kFnvOffsetBasis, 0, 0, {'\0'}};

// The `next` of a long text's entry, which is in no bucket chain.
InternedString* const kStandalone = reinterpret_cast<InternedString*>(&g_empty_string);

// Interned texts are short: a plain loop beats a call into memcmp.
bool SameBytes(const char* a, const char* b, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

size_t EntrySize(size_t length) {
  // Entries hold a pointer, so keep them 8-byte aligned.
  const size_t raw = offsetof(InternedString, data) + length + 1;
  return (raw + 7) & ~size_t{7};
}

}  // namespace

BindingAllocator* BindingAllocator::Create() { return new BindingAllocator(); }

BindingAllocator::BindingAllocator() {
  for (size_t i = 0; i < kSmallClassCount; ++i) {
    const uint32_t block_size = static_cast<uint32_t>((i + 1) * kSmallClassStep);
    classes_[i].block_size = block_size;
    PoolArea& area = embedded_areas_[i];
    area.next = nullptr;
    area.prev = nullptr;
    area.data = embedded_[i];
    area.free_head = kNoBlock;
    area.used = 0;
    area.bump = 0;
    area.capacity = static_cast<uint16_t>(kEmbeddedAreaSize / block_size);
    area.block_size = block_size;
    area.is_page = false;
    LinkArea(classes_[i], &area);
  }
  for (size_t i = 0; i < kLargeClassCount; ++i) {
    classes_[kSmallClassCount + i].block_size = static_cast<uint32_t>(kLargeClassSizes[i]);
  }
}

BindingAllocator::~BindingAllocator() {
  // Every cell gives its storage back before the last reference goes, so
  // only an empty table remains. Pages still in use would mean a leak in a
  // caller; hand them back rather than lose them.
  for (uint32_t i = 0; i < bucket_count_; ++i) {
    for (InternedString* entry = buckets_[i]; entry != nullptr;) {
      InternedString* next = entry->next;
      Free(entry, EntrySize(entry->length));
      entry = next;
    }
  }
  if (buckets_ != nullptr) Free(buckets_, bucket_count_ * sizeof(InternedString*));
  for (SizeClass& size_class : classes_) {
    for (PoolArea* area = size_class.partial; area != nullptr;) {
      PoolArea* next = area->next;
      if (area->is_page) PageCache::Instance().ReleasePage(area);
      area = next;
    }
  }
}

void BindingAllocator::Destroy() { delete this; }

size_t BindingAllocator::ClassIndex(size_t size) {
  if (size <= kLargestSmallBlock) return (size + kSmallClassStep - 1) / kSmallClassStep - 1;
  for (size_t i = 0; i < kLargeClassCount; ++i) {
    if (size <= kLargeClassSizes[i]) return kSmallClassCount + i;
  }
  return kClassCount;
}

size_t BindingAllocator::UsableSize(size_t size) {
  if (size == 0) size = 1;
  const size_t index = ClassIndex(size);
  if (index < kSmallClassCount) return (index + 1) * kSmallClassStep;
  if (index < kClassCount) return kLargeClassSizes[index - kSmallClassCount];
  return size;
}

void* BindingAllocator::Allocate(size_t size) {
  if (size == 0) size = 1;
  const size_t index = ClassIndex(size);
  if (index < kClassCount) return AllocateFromClass(index);
  return ::operator new(size);
}

void BindingAllocator::Free(void* block, size_t size) {
  if (block == nullptr) return;
  if (size == 0) size = 1;
  const size_t index = ClassIndex(size);
  if (index < kClassCount) {
    FreeToClass(block, index);
    return;
  }
  ::operator delete(block, size);
}

void BindingAllocator::LinkArea(SizeClass& size_class, PoolArea* area) {
  area->prev = nullptr;
  area->next = size_class.partial;
  if (size_class.partial != nullptr) size_class.partial->prev = area;
  size_class.partial = area;
}

void BindingAllocator::UnlinkArea(SizeClass& size_class, PoolArea* area) {
  if (area->prev != nullptr) {
    area->prev->next = area->next;
  } else {
    size_class.partial = area->next;
  }
  if (area->next != nullptr) area->next->prev = area->prev;
  area->next = nullptr;
  area->prev = nullptr;
}

void* BindingAllocator::AllocateFromClass(size_t index) {
  static_assert(sizeof(PoolArea) <= kPageDataOffset, "page bookkeeping overlaps the blocks");
  SizeClass& size_class = classes_[index];
  PoolArea* area = size_class.partial;
  if (area == nullptr) {
    void* page = PageCache::Instance().AcquirePage();
    // Out of address space: fail like the general heap does.
    if (page == nullptr) throw std::bad_alloc();
    area = static_cast<PoolArea*>(page);
    area->data = static_cast<unsigned char*>(page) + kPageDataOffset;
    area->free_head = kNoBlock;
    area->used = 0;
    area->bump = 0;
    area->capacity =
        static_cast<uint16_t>((PageCache::kPageSize - kPageDataOffset) / size_class.block_size);
    area->block_size = size_class.block_size;
    area->is_page = true;
    LinkArea(size_class, area);
  }
  uint16_t block_index;
  if (area->free_head != kNoBlock) {
    block_index = area->free_head;
    uint16_t next;
    std::memcpy(&next, area->data + size_t{block_index} * area->block_size, sizeof(next));
    area->free_head = next;
  } else {
    block_index = area->bump++;
  }
  if (++area->used == area->capacity) UnlinkArea(size_class, area);
  return area->data + size_t{block_index} * area->block_size;
}

BindingAllocator::PoolArea* BindingAllocator::AreaOf(void* block, size_t index) {
  unsigned char* address = static_cast<unsigned char*>(block);
  if (index < kSmallClassCount && address >= embedded_[index] &&
      address < embedded_[index] + kEmbeddedAreaSize) {
    return &embedded_areas_[index];
  }
  const uintptr_t page = reinterpret_cast<uintptr_t>(block) & ~(PageCache::kPageSize - 1);
  return reinterpret_cast<PoolArea*>(page);
}

void BindingAllocator::FreeToClass(void* block, size_t index) {
  SizeClass& size_class = classes_[index];
  PoolArea* area = AreaOf(block, index);
  assert(area->block_size == size_class.block_size && "block freed with a wrong size");
  const size_t offset = static_cast<unsigned char*>(block) - area->data;
  const uint16_t block_index = static_cast<uint16_t>(offset / area->block_size);
  std::memcpy(block, &area->free_head, sizeof(area->free_head));
  area->free_head = block_index;
  if (area->used == area->capacity) LinkArea(size_class, area);
  if (--area->used == 0 && area->is_page) {
    UnlinkArea(size_class, area);
    PageCache::Instance().ReleasePage(area);
  }
}

const InternedString* BindingAllocator::EmptyString() { return &g_empty_string; }

InternedString* BindingAllocator::FindInterned(std::string_view text, uint32_t hash) const {
  if (bucket_count_ == 0) return nullptr;
  for (InternedString* entry = buckets_[hash & (bucket_count_ - 1)]; entry != nullptr;
       entry = entry->next) {
    if (entry->hash == hash && entry->length == text.size() &&
        SameBytes(entry->data, text.data(), text.size())) {
      return entry;
    }
  }
  return nullptr;
}

void BindingAllocator::GrowInternTable() {
  const uint32_t new_count = bucket_count_ == 0 ? kInitialBuckets : bucket_count_ * 2;
  auto** fresh = static_cast<InternedString**>(Allocate(new_count * sizeof(InternedString*)));
  std::memset(fresh, 0, new_count * sizeof(InternedString*));
  for (uint32_t i = 0; i < bucket_count_; ++i) {
    for (InternedString* entry = buckets_[i]; entry != nullptr;) {
      InternedString* next = entry->next;
      InternedString*& head = fresh[entry->hash & (new_count - 1)];
      entry->next = head;
      head = entry;
      entry = next;
    }
  }
  if (buckets_ != nullptr) Free(buckets_, bucket_count_ * sizeof(InternedString*));
  buckets_ = fresh;
  bucket_count_ = new_count;
}

const InternedString* BindingAllocator::Intern(std::string_view text) {
  if (text.empty()) return &g_empty_string;
  if (text.size() > kLongestInternedText) {
    auto* entry = static_cast<InternedString*>(Allocate(EntrySize(text.size())));
    entry->next = kStandalone;
    entry->hash = 0;
    entry->references = 1;
    entry->length = static_cast<uint32_t>(text.size());
    std::memcpy(entry->data, text.data(), text.size());
    entry->data[text.size()] = '\0';
    return entry;
  }
  const uint32_t hash = Fnv1a32(text);
  if (InternedString* found = FindInterned(text, hash)) {
    ++found->references;
    return found;
  }
  // Keep the load factor at or below 1.0.
  if (intern_count_ + 1 > bucket_count_) GrowInternTable();
  auto* entry = static_cast<InternedString*>(Allocate(EntrySize(text.size())));
  entry->hash = hash;
  entry->references = 1;
  entry->length = static_cast<uint32_t>(text.size());
  std::memcpy(entry->data, text.data(), text.size());
  entry->data[text.size()] = '\0';
  InternedString*& head = buckets_[hash & (bucket_count_ - 1)];
  entry->next = head;
  head = entry;
  ++intern_count_;
  return entry;
}

void BindingAllocator::EraseString(const InternedString* entry) {
  auto* mutable_entry = const_cast<InternedString*>(entry);
  if (mutable_entry->next == kStandalone) {
    Free(mutable_entry, EntrySize(entry->length));
    return;
  }
  InternedString** link = &buckets_[entry->hash & (bucket_count_ - 1)];
  while (*link != mutable_entry) link = &(*link)->next;
  *link = mutable_entry->next;
  --intern_count_;
  Free(mutable_entry, EntrySize(entry->length));
}

uint32_t BindingAllocator::InternedReferences(std::string_view text) const {
  if (text.empty() || text.size() > kLongestInternedText) return 0;
  const InternedString* entry = FindInterned(text, Fnv1a32(text));
  return entry != nullptr ? entry->references : 0;
}

}  // namespace tav
