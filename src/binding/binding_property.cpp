#include "binding/binding_property.h"

#include <algorithm>
#include <cassert>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <new>

#include "binding/base64.h"
#include "binding/binding_allocator.h"

namespace tav {

namespace {

constexpr size_t kHeaderSize = 8;  // sizeof(ContainerHeader)
// Items follow the header in one block. The allocator aligns a block to 8
// bytes when its size is a multiple of 8 and to 4 otherwise, so items that
// need 8-byte alignment (x86-64) must keep every block size a multiple of
// 8; on a 32-bit target they need 4 and any block will do.
template <typename Item>
constexpr bool kFitsContainerBlock =
    kHeaderSize % alignof(Item) == 0 && (alignof(Item) <= 4 || sizeof(Item) % 8 == 0);
static_assert(kFitsContainerBlock<BindingProperty>, "cells must stay aligned in their block");
static_assert(kFitsContainerBlock<BindingStructEntry>, "entries must stay aligned in their block");

// Blobs keep their byte count in front of the bytes.
struct BlobHeader {
  uint32_t size;
  uint32_t unused;
};

const BlobHeader* BlobOf(const void* block) { return static_cast<const BlobHeader*>(block); }
const char* BlobBytes(const void* block) {
  return static_cast<const char*>(block) + sizeof(BlobHeader);
}

// Byte-wise order of names, the order fields are kept in. Field names are
// short, so a plain loop beats a call into memcmp.
int CompareNames(std::string_view a, std::string_view b) {
  const size_t common = std::min(a.size(), b.size());
  if (common <= 16) {
    for (size_t i = 0; i < common; ++i) {
      const unsigned char x = static_cast<unsigned char>(a[i]);
      const unsigned char y = static_cast<unsigned char>(b[i]);
      if (x != y) return x < y ? -1 : 1;
    }
  } else {
    const int byte_order = std::memcmp(a.data(), b.data(), common);
    if (byte_order != 0) return byte_order;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace

const char* BindingPropertyKindName(BindingPropertyKind kind) {
  switch (kind) {
    case BindingPropertyKind::kEmpty:
      return "empty";
    case BindingPropertyKind::kBool:
      return "bool";
    case BindingPropertyKind::kSigned:
      return "signed";
    case BindingPropertyKind::kUnsigned:
      return "unsigned";
    case BindingPropertyKind::kFloat:
      return "float";
    case BindingPropertyKind::kString:
      return "string";
    case BindingPropertyKind::kBlob:
      return "blob";
    case BindingPropertyKind::kEnum:
      return "enum";
    case BindingPropertyKind::kCollection:
      return "collection";
    case BindingPropertyKind::kStructure:
      return "structure";
  }
  return "";
}

// --- Life cycle ---------------------------------------------------------

BindingProperty::~BindingProperty() {
  ReleasePayload();
  if (allocator_ != nullptr) allocator_->Release();
}

BindingProperty::BindingProperty(BindingProperty&& other) noexcept
    : payload_(other.payload_), allocator_(other.allocator_), kind_(other.kind_) {
  other.payload_.u64 = 0;
  other.allocator_ = nullptr;
  other.kind_ = BindingPropertyKind::kEmpty;
}

BindingProperty& BindingProperty::operator=(BindingProperty&& other) noexcept {
  if (this == &other) return *this;
  // `other` may live inside this cell's tree: take it out before releasing.
  BindingProperty taken(std::move(other));
  ReleasePayload();
  if (allocator_ != nullptr) allocator_->Release();
  payload_ = taken.payload_;
  allocator_ = taken.allocator_;
  kind_ = taken.kind_;
  taken.payload_.u64 = 0;
  taken.allocator_ = nullptr;
  taken.kind_ = BindingPropertyKind::kEmpty;
  return *this;
}

const BindingProperty& BindingProperty::EmptyCell() {
  static const BindingProperty empty;
  return empty;
}

BindingAllocator* BindingProperty::EnsureAllocator() {
  if (allocator_ == nullptr) allocator_ = BindingAllocator::Create();
  return allocator_;
}

void BindingProperty::InitChild(BindingAllocator* allocator) {
  new (this) BindingProperty();
  allocator_ = allocator;
  allocator->AddRef();
}

void BindingProperty::DestroyContainer() {
  ContainerHeader* block = header();
  if (block == nullptr) return;
  // Children nearly always share this cell's allocator: count those
  // references and drop them at once (this cell still holds one, so the
  // allocator survives the loop).
  uint32_t shared = 0;
  auto release_child = [&](BindingProperty& child) {
    if (child.HoldsStorage()) child.ReleasePayload();
    if (child.allocator_ == allocator_) {
      ++shared;
    } else if (child.allocator_ != nullptr) {
      child.allocator_->Release();
    }
  };
  // The next child's storage is asked for while this one is released: the
  // blocks of a tree lie apart, and waiting for each in turn is most of
  // the time a large tree takes to go.
  const uint32_t count = block->size;
  if (kind_ == BindingPropertyKind::kCollection) {
    BindingProperty* cells = items();
    for (uint32_t i = 0; i < count; ++i) {
      if (i + 1 < count) cells[i + 1].PrefetchStorage();
      release_child(cells[i]);
    }
    allocator_->DropReferences(shared);
    allocator_->Free(block, kHeaderSize + size_t{block->capacity} * sizeof(BindingProperty));
  } else {
    BindingStructEntry* fields = entries();
    for (uint32_t i = 0; i < count; ++i) {
      if (i + 1 < count) fields[i + 1].value.PrefetchStorage();
      allocator_->ReleaseString(fields[i].name);
      release_child(fields[i].value);
    }
    allocator_->DropReferences(shared);
    allocator_->Free(block, kHeaderSize + size_t{block->capacity} * sizeof(BindingStructEntry));
  }
}

void BindingProperty::ReleasePayload() {
  switch (kind_) {
    case BindingPropertyKind::kEmpty:
    case BindingPropertyKind::kBool:
    case BindingPropertyKind::kSigned:
    case BindingPropertyKind::kUnsigned:
    case BindingPropertyKind::kFloat:
    case BindingPropertyKind::kEnum:
      break;
    case BindingPropertyKind::kString:
      allocator_->ReleaseString(static_cast<const InternedString*>(payload_.block));
      break;
    case BindingPropertyKind::kBlob:
      allocator_->Free(payload_.block, sizeof(BlobHeader) + BlobOf(payload_.block)->size);
      break;
    case BindingPropertyKind::kCollection:
    case BindingPropertyKind::kStructure:
      DestroyContainer();
      break;
  }
  payload_.u64 = 0;
  kind_ = BindingPropertyKind::kEmpty;
}

// --- Copies -------------------------------------------------------------

// Deep copy of this cell into `target`, an empty cell that already holds an
// allocator reference.
void BindingProperty::CopyInto(BindingProperty& target) const {
  BindingAllocator* allocator = target.allocator_;
  switch (kind_) {
    case BindingPropertyKind::kEmpty:
      return;
    case BindingPropertyKind::kBool:
    case BindingPropertyKind::kSigned:
    case BindingPropertyKind::kUnsigned:
    case BindingPropertyKind::kFloat:
    case BindingPropertyKind::kEnum:
      target.payload_ = payload_;
      target.kind_ = kind_;
      return;
    case BindingPropertyKind::kString: {
      const auto* text = static_cast<const InternedString*>(payload_.block);
      if (allocator == allocator_) {
        allocator->RetainString(text);
        target.payload_.block = const_cast<InternedString*>(text);
      } else {
        target.payload_.block = const_cast<InternedString*>(allocator->Intern(text->view()));
      }
      target.kind_ = kind_;
      return;
    }
    case BindingPropertyKind::kBlob: {
      const size_t bytes = sizeof(BlobHeader) + BlobOf(payload_.block)->size;
      void* copy = allocator->Allocate(bytes);
      std::memcpy(copy, payload_.block, bytes);
      target.payload_.block = copy;
      target.kind_ = kind_;
      return;
    }
    case BindingPropertyKind::kCollection: {
      target.kind_ = kind_;
      const uint32_t count = header() != nullptr ? header()->size : 0;
      if (count == 0) return;
      target.GrowCollection(count);
      BindingProperty* source = items();
      BindingProperty* cells = target.items();
      for (uint32_t i = 0; i < count; ++i) {
        cells[i].InitChild(allocator);
        target.header()->size = i + 1;
        source[i].CopyInto(cells[i]);
      }
      return;
    }
    case BindingPropertyKind::kStructure: {
      target.kind_ = kind_;
      const uint32_t count = header() != nullptr ? header()->size : 0;
      if (count == 0) return;
      target.GrowStructure(count);
      // The source is already in key order, so the copy is built in place.
      BindingStructEntry* source = entries();
      BindingStructEntry* fields = target.entries();
      for (uint32_t i = 0; i < count; ++i) {
        if (allocator == allocator_) {
          allocator->RetainString(source[i].name);
          fields[i].name = source[i].name;
        } else {
          fields[i].name = allocator->Intern(source[i].key());
        }
        fields[i].value.InitChild(allocator);
        target.header()->size = i + 1;
        source[i].value.CopyInto(fields[i].value);
      }
      return;
    }
  }
}

BindingProperty BindingProperty::Clone() const {
  BindingProperty copy;
  if (kind_ == BindingPropertyKind::kEmpty) return copy;
  copy.EnsureAllocator();
  CopyInto(copy);
  return copy;
}

void BindingProperty::Assign(const BindingProperty& source) {
  if (this == &source) return;
  // Build the copy first: `source` may lie inside this cell's own tree.
  BindingProperty copy;
  copy.InitChild(EnsureAllocator());
  source.CopyInto(copy);
  ReleasePayload();
  payload_ = copy.payload_;
  kind_ = copy.kind_;
  copy.payload_.u64 = 0;
  copy.kind_ = BindingPropertyKind::kEmpty;
}

// --- Reading ------------------------------------------------------------

size_t BindingProperty::size() const {
  switch (kind_) {
    case BindingPropertyKind::kEmpty:
      return 0;
    case BindingPropertyKind::kBool:
    case BindingPropertyKind::kSigned:
    case BindingPropertyKind::kUnsigned:
    case BindingPropertyKind::kFloat:
    case BindingPropertyKind::kEnum:
      return 1;
    case BindingPropertyKind::kString:
      return static_cast<const InternedString*>(payload_.block)->length;
    case BindingPropertyKind::kBlob:
      return BlobOf(payload_.block)->size;
    case BindingPropertyKind::kCollection:
    case BindingPropertyKind::kStructure:
      return header() != nullptr ? header()->size : 0;
  }
  return 0;
}

const BindingProperty& BindingProperty::At(size_t index) const {
  if (kind_ != BindingPropertyKind::kCollection || header() == nullptr ||
      index >= header()->size) {
    return EmptyCell();
  }
  return items()[index];
}

const BindingProperty* BindingProperty::FindField(std::string_view name) const {
  if (kind_ != BindingPropertyKind::kStructure || header() == nullptr) return nullptr;
  const BindingStructEntry* fields = entries();
  size_t low = 0;
  size_t high = header()->size;
  while (low < high) {
    const size_t middle = low + (high - low) / 2;
    const int order = CompareNames(fields[middle].key(), name);
    if (order == 0) return &fields[middle].value;
    if (order < 0) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return nullptr;
}

const BindingProperty& BindingProperty::operator[](std::string_view name) const {
  const BindingProperty* field = FindField(name);
  return field != nullptr ? *field : EmptyCell();
}

bool BindingProperty::GetBool(bool fallback) const {
  return kind_ == BindingPropertyKind::kBool ? payload_.boolean : fallback;
}
int64_t BindingProperty::GetInt64(int64_t fallback) const {
  return kind_ == BindingPropertyKind::kSigned ? payload_.i64 : fallback;
}
uint64_t BindingProperty::GetUint64(uint64_t fallback) const {
  return kind_ == BindingPropertyKind::kUnsigned ? payload_.u64 : fallback;
}
double BindingProperty::GetDouble(double fallback) const {
  return kind_ == BindingPropertyKind::kFloat ? payload_.f64 : fallback;
}
std::string_view BindingProperty::GetString(std::string_view fallback) const {
  return kind_ == BindingPropertyKind::kString
             ? static_cast<const InternedString*>(payload_.block)->view()
             : fallback;
}

bool BindingProperty::AsBool() const {
  assert(kind_ == BindingPropertyKind::kBool);
  return payload_.boolean;
}
int64_t BindingProperty::AsInt64() const {
  assert(kind_ == BindingPropertyKind::kSigned);
  return payload_.i64;
}
uint64_t BindingProperty::AsUint64() const {
  assert(kind_ == BindingPropertyKind::kUnsigned);
  return payload_.u64;
}
double BindingProperty::AsDouble() const {
  assert(kind_ == BindingPropertyKind::kFloat);
  return payload_.f64;
}
std::string_view BindingProperty::AsString() const {
  assert(kind_ == BindingPropertyKind::kString);
  return static_cast<const InternedString*>(payload_.block)->view();
}
std::string_view BindingProperty::AsBlob() const {
  assert(kind_ == BindingPropertyKind::kBlob);
  return std::string_view(BlobBytes(payload_.block), BlobOf(payload_.block)->size);
}
BindingEnumValue BindingProperty::AsEnum() const {
  assert(kind_ == BindingPropertyKind::kEnum);
  return payload_.enumeration;
}

std::string BindingProperty::ToText() const {
  char buffer[32];
  switch (kind_) {
    case BindingPropertyKind::kEmpty:
    case BindingPropertyKind::kCollection:
    case BindingPropertyKind::kStructure:
      return std::string();
    case BindingPropertyKind::kBool:
      return payload_.boolean ? "true" : "false";
    case BindingPropertyKind::kSigned:
      std::snprintf(buffer, sizeof(buffer), "%" PRId64, payload_.i64);
      return buffer;
    case BindingPropertyKind::kUnsigned:
      std::snprintf(buffer, sizeof(buffer), "%" PRIu64, payload_.u64);
      return buffer;
    case BindingPropertyKind::kFloat: {
      // "%f" of a large double runs to hundreds of digits.
      const int length = std::snprintf(nullptr, 0, "%f", payload_.f64);
      std::string text(static_cast<size_t>(length), '\0');
      std::snprintf(text.data(), text.size() + 1, "%f", payload_.f64);
      return text;
    }
    case BindingPropertyKind::kString:
      return std::string(AsString());
    case BindingPropertyKind::kBlob:
      return Base64Encode(AsBlob());
    case BindingPropertyKind::kEnum:
      std::snprintf(buffer, sizeof(buffer), "%" PRId32, payload_.enumeration.value);
      return buffer;
  }
  return std::string();
}

// --- Changing -----------------------------------------------------------

void BindingProperty::Clear() { ReleasePayload(); }

void BindingProperty::SetBool(bool value) {
  if (HoldsStorage()) ReleasePayload();
  payload_.u64 = 0;
  payload_.boolean = value;
  kind_ = BindingPropertyKind::kBool;
}

void BindingProperty::SetInt64(int64_t value) {
  if (HoldsStorage()) ReleasePayload();
  payload_.i64 = value;
  kind_ = BindingPropertyKind::kSigned;
}

void BindingProperty::SetUint64(uint64_t value) {
  if (HoldsStorage()) ReleasePayload();
  payload_.u64 = value;
  kind_ = BindingPropertyKind::kUnsigned;
}

void BindingProperty::SetDouble(double value) {
  if (HoldsStorage()) ReleasePayload();
  payload_.f64 = value;
  kind_ = BindingPropertyKind::kFloat;
}

void BindingProperty::SetString(std::string_view value) {
  // Intern before releasing: `value` may point into the current string.
  const InternedString* text = EnsureAllocator()->Intern(value);
  ReleasePayload();
  payload_.block = const_cast<InternedString*>(text);
  kind_ = BindingPropertyKind::kString;
}

void BindingProperty::SetBlob(const void* data, size_t size) {
  void* block = EnsureAllocator()->Allocate(sizeof(BlobHeader) + size);
  auto* blob = static_cast<BlobHeader*>(block);
  blob->size = static_cast<uint32_t>(size);
  blob->unused = 0;
  if (size != 0) std::memcpy(static_cast<char*>(block) + sizeof(BlobHeader), data, size);
  ReleasePayload();
  payload_.block = block;
  kind_ = BindingPropertyKind::kBlob;
}

void BindingProperty::SetEnum(int32_t value, uint32_t type_key) {
  if (HoldsStorage()) ReleasePayload();
  payload_.enumeration = BindingEnumValue{value, type_key};
  kind_ = BindingPropertyKind::kEnum;
}

void BindingProperty::MakeCollection() {
  if (kind_ == BindingPropertyKind::kCollection) return;
  ReleasePayload();
  kind_ = BindingPropertyKind::kCollection;
}

void BindingProperty::MakeStructure() {
  if (kind_ == BindingPropertyKind::kStructure) return;
  ReleasePayload();
  kind_ = BindingPropertyKind::kStructure;
}

// Grows the block of a collection or structure to hold at least
// `min_capacity` items of `item_size` bytes, using all the room of the size
// class it lands in. Items hold no pointers into themselves, so moving them
// is a byte copy.
void BindingProperty::GrowContainer(size_t min_capacity, size_t item_size) {
  BindingAllocator* allocator = EnsureAllocator();
  ContainerHeader* old_block = header();
  const size_t old_capacity = old_block != nullptr ? old_block->capacity : 0;
  if (min_capacity <= old_capacity) return;
  const size_t wanted = std::max(min_capacity, old_capacity * 2);
  const size_t bytes = BindingAllocator::UsableSize(kHeaderSize + wanted * item_size);
  auto* block = static_cast<ContainerHeader*>(allocator->Allocate(bytes));
  block->capacity = static_cast<uint32_t>((bytes - kHeaderSize) / item_size);
  block->size = 0;
  if (old_block != nullptr) {
    block->size = old_block->size;
    std::memcpy(reinterpret_cast<char*>(block) + kHeaderSize,
                reinterpret_cast<const char*>(old_block) + kHeaderSize,
                old_block->size * item_size);
    allocator->Free(old_block, kHeaderSize + old_capacity * item_size);
  }
  payload_.block = block;
}

void BindingProperty::GrowCollection(size_t min_capacity) {
  GrowContainer(min_capacity, sizeof(BindingProperty));
}

void BindingProperty::GrowStructure(size_t min_capacity) {
  GrowContainer(min_capacity, sizeof(BindingStructEntry));
}

void BindingProperty::Reserve(size_t count) {
  if (kind_ != BindingPropertyKind::kCollection) return;
  GrowCollection(count);
}

void BindingProperty::ReserveFields(size_t count) {
  if (kind_ != BindingPropertyKind::kStructure) return;
  GrowStructure(count);
}

BindingProperty& BindingProperty::MutableElement(size_t index) {
  MakeCollection();
  const size_t count = header() != nullptr ? header()->size : 0;
  if (index < count) return items()[index];
  GrowCollection(index + 1);
  BindingProperty* cells = items();
  for (size_t i = count; i <= index; ++i) cells[i].InitChild(allocator_);
  header()->size = static_cast<uint32_t>(index + 1);
  return cells[index];
}

BindingProperty& BindingProperty::Append() {
  return MutableElement(kind_ == BindingPropertyKind::kCollection ? size() : 0);
}

BindingProperty& BindingProperty::MutableField(std::string_view name) {
  return MutableField(name, nullptr, nullptr);
}

BindingProperty& BindingProperty::MutableField(std::string_view name, const InternedString* hint,
                                               const InternedString** used) {
  MakeStructure();
  size_t count = header() != nullptr ? header()->size : 0;
  size_t position = count;
  if (count != 0) {
    BindingStructEntry* fields = entries();
    // Fields usually arrive in order (copies, sorted writers): try the end
    // before searching.
    const int against_last = CompareNames(fields[count - 1].key(), name);
    if (against_last == 0) {
      if (used != nullptr) *used = fields[count - 1].name;
      return fields[count - 1].value;
    }
    if (against_last > 0) {
      size_t low = 0;
      size_t high = count - 1;
      while (low < high) {
        const size_t middle = low + (high - low) / 2;
        const int order = CompareNames(fields[middle].key(), name);
        if (order == 0) {
          if (used != nullptr) *used = fields[middle].name;
          return fields[middle].value;
        }
        if (order < 0) {
          low = middle + 1;
        } else {
          high = middle;
        }
      }
      position = low;
    }
  }
  BindingAllocator* allocator = EnsureAllocator();
  const InternedString* key;
  if (hint != nullptr && hint->length == name.size() && CompareNames(hint->view(), name) == 0) {
    allocator->RetainString(hint);
    key = hint;
  } else {
    key = allocator->Intern(name);
  }
  if (used != nullptr) *used = key;
  GrowStructure(count + 1);
  BindingStructEntry* fields = entries();
  if (position < count) {
    std::memmove(static_cast<void*>(fields + position + 1), static_cast<void*>(fields + position),
                 (count - position) * sizeof(BindingStructEntry));
  }
  fields[position].name = key;
  fields[position].value.InitChild(allocator_);
  header()->size = static_cast<uint32_t>(count + 1);
  return fields[position].value;
}

}  // namespace tav
