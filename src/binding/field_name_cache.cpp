#include "binding/field_name_cache.h"

#include <algorithm>

#include "binding/binding_allocator.h"

namespace tav {

FieldNameCache::~FieldNameCache() {
  if (allocator_ == nullptr) return;
  for (const Level& level : levels_) {
    for (const InternedString* name : level.names) allocator_->ReleaseString(name);
  }
  allocator_->Release();
}

namespace {

// Reservations follow the previous sibling, but a huge one is not taken as
// a reason to reserve huge room for every following container.
constexpr size_t kLargestReservation = 256;

}  // namespace

FieldNameCache::Level& FieldNameCache::LevelAt(size_t depth) {
  if (levels_.size() <= depth) levels_.resize(depth + 1);
  return levels_[depth];
}

void FieldNameCache::BeginObject(BindingProperty& object, size_t depth) {
  Level& level = LevelAt(depth);
  level.next = 0;
  if (!level.names.empty() && object.size() == 0) {
    object.ReserveFields(std::min(level.names.size(), kLargestReservation));
  }
}

void FieldNameCache::BeginArray(BindingProperty& array, size_t depth) {
  const Level& level = LevelAt(depth);
  if (level.array_size != 0 && array.size() == 0) {
    array.Reserve(std::min(level.array_size, kLargestReservation));
  }
}

void FieldNameCache::EndArray(const BindingProperty& array, size_t depth) {
  LevelAt(depth).array_size = array.size();
}

BindingProperty& FieldNameCache::Field(BindingProperty& object, size_t depth,
                                       std::string_view name) {
  if (depth >= levels_.size()) return object.MutableField(name);
  Level& level = levels_[depth];
  const size_t index = level.next++;
  // Hints are only valid within one allocator.
  const bool same_allocator = allocator_ == nullptr || object.allocator() == allocator_;
  const InternedString* hint =
      same_allocator && index < level.names.size() ? level.names[index] : nullptr;
  const InternedString* used = nullptr;
  BindingProperty& field = object.MutableField(name, hint, &used);
  if (used == hint || used == nullptr || !same_allocator) return field;
  if (allocator_ == nullptr) {
    allocator_ = object.allocator();
    allocator_->AddRef();
  }
  allocator_->RetainString(used);
  if (index < level.names.size()) {
    allocator_->ReleaseString(level.names[index]);
    level.names[index] = used;
  } else if (index == level.names.size()) {
    level.names.push_back(used);
  } else {
    allocator_->ReleaseString(used);
  }
  return field;
}

}  // namespace tav
