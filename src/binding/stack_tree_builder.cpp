#include "binding/stack_tree_builder.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <new>

#include "binding/nesting_depth.h"
#include "runtime/heap.h"

namespace tav {

namespace {

constexpr uint32_t kInitialSlots = 256;

// Byte order of names, the order fields are kept in.
int CompareNames(const InternedString* a, const InternedString* b) {
  const uint32_t common = std::min(a->length, b->length);
  const int order = std::memcmp(a->data, b->data, common);
  if (order != 0) return order;
  if (a->length == b->length) return 0;
  return a->length < b->length ? -1 : 1;
}

// Names are compared a word at a time, the last word overlapping the one
// before it: keys run to twenty bytes and more (recommendationDescriptor),
// and nearly every comparison succeeds.
template <typename Word>
bool SameWordAt(const char* a, const char* b, size_t offset) {
  Word x;
  Word y;
  std::memcpy(&x, a + offset, sizeof(Word));
  std::memcpy(&y, b + offset, sizeof(Word));
  return x == y;
}

bool SameText(const InternedString* entry, std::string_view text) {
  const size_t length = text.size();
  if (entry->length != length) return false;
  const char* a = entry->data;
  const char* b = text.data();
  if (length >= 8) {
    for (size_t i = 0; i + 8 < length; i += 8) {
      if (!SameWordAt<uint64_t>(a, b, i)) return false;
    }
    return SameWordAt<uint64_t>(a, b, length - 8);
  }
  if (length >= 4) return SameWordAt<uint32_t>(a, b, 0) && SameWordAt<uint32_t>(a, b, length - 4);
  for (size_t i = 0; i < length; ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

}  // namespace

StackTreeBuilder::StackTreeBuilder() : allocator_(BindingAllocator::Create()) {
  frames_.reserve(16);
  PushSlot(nullptr);
  allocator_->AddRef();  // the root's; Finish hands it over with the root
}

StackTreeBuilder::~StackTreeBuilder() {
  // Whatever a failed read left: fields' names, then the cells themselves,
  // which take their references to the allocator only now.
  if (size_ > 1) allocator_->AddReferences(size_ - 1);
  for (uint32_t i = 0; i < size_; ++i) {
    allocator_->ReleaseString(slots_[i].name);
    slots_[i].value.~BindingProperty();
  }
  HeapFree(slots_);
  for (const Shape& shape : shapes_) {
    for (const InternedString* name : shape.names) allocator_->ReleaseString(name);
  }
  allocator_->Release();
}

BindingStructEntry& StackTreeBuilder::PushSlot(const InternedString* name) {
  if (size_ == capacity_) {
    // Cells hold no pointers into themselves, so the slots move as bytes.
    const uint32_t grown = capacity_ == 0 ? kInitialSlots : capacity_ * 2;
    void* moved = HeapReallocate(slots_, size_t{grown} * sizeof(BindingStructEntry));
    if (moved == nullptr) throw std::bad_alloc();
    slots_ = static_cast<BindingStructEntry*>(moved);
    capacity_ = grown;
  }
  // A cell waiting in a slot holds no reference to the allocator: the
  // container that takes it adds them all at once.
  BindingStructEntry& slot = slots_[size_++];
  slot.name = name;
  slot.value.payload_.u64 = 0;
  slot.value.allocator_ = allocator_;
  slot.value.kind_ = BindingPropertyKind::kEmpty;
  return slot;
}

BindingProperty& StackTreeBuilder::Target() {
  // A reader that allows several documents fills the root again only
  // while it is empty.
  if (frames_.empty()) return slots_[0].value;
  if (frames_.back().is_object) return slots_[size_ - 1].value;
  return PushSlot(nullptr).value;
}

bool StackTreeBuilder::Begin(bool is_object) {
  if (frames_.size() >= kMaxNestingDepth) return false;
  Scalar(is_object ? BindingPropertyKind::kStructure : BindingPropertyKind::kCollection);
  // Filled in place: a frame built aside and copied in whole would be read
  // back in one load from the narrower stores that made it, which the
  // processor cannot forward.
  Frame& frame = frames_.emplace_back();
  frame.first = size_;
  frame.is_object = is_object;
  if (is_object && shapes_.size() < frames_.size()) shapes_.resize(frames_.size());
  return true;
}

bool StackTreeBuilder::BeginArray(size_t) { return Begin(/*is_object=*/false); }
bool StackTreeBuilder::BeginObject(size_t) { return Begin(/*is_object=*/true); }

// The name of the next key, taken from the shape of the previous object at
// this depth when it matches there, interned otherwise. The caller gets a
// reference of its own.
inline const InternedString* StackTreeBuilder::NameAt(Shape& shape, Frame& frame,
                                                      std::string_view name) {
  const uint32_t index = frame.keys++;
  if (index < shape.names.size() && SameText(shape.names[index], name)) {
    allocator_->RetainString(shape.names[index]);
    return shape.names[index];
  }
  frame.names_repeat = false;
  shape.order_known = false;
  const InternedString* entry = allocator_->Intern(name);
  allocator_->RetainString(entry);
  if (index < shape.names.size()) {
    allocator_->ReleaseString(shape.names[index]);
    shape.names[index] = entry;
  } else {
    shape.names.push_back(entry);
  }
  return entry;
}

void StackTreeBuilder::Key(std::string_view name) {
  Frame& frame = frames_.back();
  assert(frame.is_object);
  PushSlot(NameAt(shapes_[frames_.size() - 1], frame, name));
}

void StackTreeBuilder::String(std::string_view text) {
  const InternedString* entry = allocator_->Intern(text);
  Scalar(BindingPropertyKind::kString).payload_.block = const_cast<InternedString*>(entry);
}

void StackTreeBuilder::EndArray() {
  const Frame frame = frames_.back();
  frames_.pop_back();
  BindingProperty& array = slots_[frame.first - 1].value;
  const uint32_t count = size_ - frame.first;
  if (count != 0) {
    allocator_->AddReferences(count);
    array.GrowCollection(count);
    BindingProperty* cells = array.items();
    // Moved as bytes: the slots are forgotten, not destroyed.
    for (uint32_t i = 0; i < count; ++i) {
      std::memcpy(static_cast<void*>(&cells[i]), &slots_[frame.first + i].value,
                  sizeof(BindingProperty));
    }
    array.header()->size = count;
  }
  size_ = frame.first;
}

// Works out how the `count` fields sort: `shape.order` lists their
// positions in name order, or is empty when they already are in order.
// False when two names are equal.
bool StackTreeBuilder::SortOrder(Shape& shape, const BindingStructEntry* fields, uint32_t count) {
  shape.order.clear();
  shape.order_known = false;
  uint32_t i = 1;
  while (i < count && CompareNames(fields[i - 1].name, fields[i].name) < 0) ++i;
  if (i < count) {
    shape.order.resize(count);
    for (uint32_t k = 0; k < count; ++k) shape.order[k] = k;
    std::sort(shape.order.begin(), shape.order.end(), [fields](uint32_t a, uint32_t b) {
      return CompareNames(fields[a].name, fields[b].name) < 0;
    });
    for (uint32_t k = 1; k < count; ++k) {
      if (CompareNames(fields[shape.order[k - 1]].name, fields[shape.order[k]].name) == 0) {
        return false;
      }
    }
  }
  shape.order_known = true;
  return true;
}

bool StackTreeBuilder::EndObject() {
  const Frame frame = frames_.back();
  Shape& shape = shapes_[frames_.size() - 1];
  const uint32_t count = size_ - frame.first;
  const BindingStructEntry* fields = slots_ + frame.first;
  // The same names in the same order as the object the order was worked
  // out for sort the same way, without a comparison.
  if (!frame.names_repeat || count != shape.names.size() || !shape.order_known) {
    for (size_t k = count; k < shape.names.size(); ++k) allocator_->ReleaseString(shape.names[k]);
    if (shape.names.size() > count) shape.names.resize(count);
    if (!SortOrder(shape, fields, count)) return false;
  }
  frames_.pop_back();
  BindingProperty& object = slots_[frame.first - 1].value;
  if (count != 0) {
    allocator_->AddReferences(count);
    object.GrowStructure(count);
    BindingStructEntry* entries = object.entries();
    if (shape.order.empty()) {
      std::memcpy(static_cast<void*>(entries), fields, count * sizeof(BindingStructEntry));
    } else {
      for (uint32_t k = 0; k < count; ++k) {
        std::memcpy(static_cast<void*>(&entries[k]), &fields[shape.order[k]],
                    sizeof(BindingStructEntry));
      }
    }
    object.header()->size = count;
  }
  size_ = frame.first;
  return true;
}

void StackTreeBuilder::Finish(BindingProperty& target) {
  assert(frames_.empty() && size_ == 1);
  target = std::move(slots_[0].value);
}

}  // namespace tav
