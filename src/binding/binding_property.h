// BindingProperty: the dynamic value that crosses the plugin boundary.
//
// A cell is empty, a bool, a signed or unsigned 64-bit integer, a double, an
// interned string, a blob, an enumeration value, a collection or a structure
// whose fields are kept in byte order of their names. All cells of one tree
// share one BindingAllocator, which pools the out-of-line storage and interns
// strings. Reading never creates anything; a miss returns the shared empty
// cell. Copies are explicit: Clone() or Assign().
//
//   BindingProperty page;
//   page.MutableField("name").SetString("Mountain");
//   page.MutableField("perks").MutableElement(2).SetInt64(8100);
//   page["perks"].size();          // 3, elements 0 and 1 empty
//   page["missing"][4].isEmpty();  // true, and page is unchanged
#ifndef TAV_BINDING_BINDING_PROPERTY_H_
#define TAV_BINDING_BINDING_PROPERTY_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace tav {

class BindingAllocator;

// An interned text of a BindingAllocator: reference-counted, NUL-terminated,
// owned by the allocator's intern table.
struct InternedString {
  InternedString* next;  // bucket chain
  uint32_t hash;         // FNV-1a of the bytes
  uint32_t references;
  uint32_t length;
  char data[1];  // `length` bytes and a NUL; the entry is allocated to fit

  std::string_view view() const { return std::string_view(data, length); }
};

enum class BindingPropertyKind : uint8_t {
  kEmpty = 0,
  kBool = 1,
  kSigned = 2,
  kUnsigned = 3,
  kFloat = 4,
  kString = 5,
  kBlob = 6,
  kEnum = 7,
  kCollection = 8,
  kStructure = 9,
};

// "empty", "bool", "signed", ... "structure"; "" for a value outside the enum.
const char* BindingPropertyKindName(BindingPropertyKind kind);

// An enumeration value: its number and the number of the TypeKey of the
// enumeration it belongs to (see type_key.h).
struct BindingEnumValue {
  int32_t value = 0;
  uint32_t type_key = 0;
};

class BindingProperty;
struct BindingStructEntry;

class BindingProperty {
 public:
  // Iteration helpers. Elements are stored contiguously; fields are visited
  // in key order.
  class ElementRange {
   public:
    const BindingProperty* begin() const { return begin_; }
    const BindingProperty* end() const { return end_; }
    size_t size() const { return static_cast<size_t>(end_ - begin_); }

   private:
    friend class BindingProperty;
    const BindingProperty* begin_ = nullptr;
    const BindingProperty* end_ = nullptr;
  };

  class FieldIterator {
   public:
    const BindingStructEntry& operator*() const { return *entry_; }
    const BindingStructEntry* operator->() const { return entry_; }
    inline FieldIterator& operator++();
    bool operator!=(const FieldIterator& other) const { return entry_ != other.entry_; }
    bool operator==(const FieldIterator& other) const { return entry_ == other.entry_; }

   private:
    friend class BindingProperty;
    const BindingStructEntry* entry_ = nullptr;
  };

  class FieldRange {
   public:
    FieldIterator begin() const { return begin_; }
    FieldIterator end() const { return end_; }

   private:
    friend class BindingProperty;
    FieldIterator begin_;
    FieldIterator end_;
  };

  BindingProperty() noexcept = default;
  ~BindingProperty();
  BindingProperty(BindingProperty&& other) noexcept;
  BindingProperty& operator=(BindingProperty&& other) noexcept;
  BindingProperty(const BindingProperty&) = delete;
  BindingProperty& operator=(const BindingProperty&) = delete;

  // The shared, immutable empty cell that failed look-ups return.
  static const BindingProperty& EmptyCell();

  // A deep copy with an allocator of its own.
  [[nodiscard]] BindingProperty Clone() const;

  // Deep copy of `source` into this cell, which keeps its own allocator (or
  // creates one). Copying a cell onto itself does nothing.
  void Assign(const BindingProperty& source);

  // --- Reading. None of these changes the value. ---

  BindingPropertyKind kind() const { return kind_; }
  bool isEmpty() const { return kind_ == BindingPropertyKind::kEmpty; }

  // 0 for empty; byte length for string and blob; element count for a
  // collection; field count for a structure; 1 for every other kind.
  size_t size() const;

  // Element `index` of a collection, or the empty cell (also for a
  // negative index).
  const BindingProperty& At(size_t index) const;
  template <typename Index, std::enable_if_t<std::is_integral_v<Index>, int> = 0>
  const BindingProperty& operator[](Index index) const {
    if constexpr (std::is_signed_v<Index>) {
      if (index < 0) return EmptyCell();
    }
    return At(static_cast<size_t>(index));
  }
  // Field `name` of a structure, or the empty cell.
  const BindingProperty& operator[](std::string_view name) const;
  const BindingProperty& operator[](const char* name) const {
    return (*this)[std::string_view(name)];
  }
  // Field `name` of a structure, or null when absent or not a structure.
  const BindingProperty* FindField(std::string_view name) const;

  // Typed getters with a fallback: the value when the kind matches exactly,
  // otherwise `fallback`. No coercion between kinds.
  bool GetBool(bool fallback) const;
  int64_t GetInt64(int64_t fallback) const;
  uint64_t GetUint64(uint64_t fallback) const;
  double GetDouble(double fallback) const;
  std::string_view GetString(std::string_view fallback = {}) const;

  // Raw readers for a known kind; they assert the kind.
  bool AsBool() const;
  int64_t AsInt64() const;
  uint64_t AsUint64() const;
  double AsDouble() const;
  std::string_view AsString() const;
  std::string_view AsBlob() const;  // the bytes
  BindingEnumValue AsEnum() const;

  // Elements of a collection (an empty range for any other kind).
  ElementRange Elements() const;
  // Fields of a structure in key order (an empty range for any other kind).
  FieldRange Fields() const;

  // A hint for code that walks a tree: starts loading the cell's
  // out-of-line storage (text, blob or container block), if any.
  void PrefetchStorage() const {
    if (HoldsStorage()) __builtin_prefetch(payload_.block);
  }

  // The allocator behind this cell's storage, null until it needs one.
  BindingAllocator* allocator() const { return allocator_; }

  // The diagnostic text: "true"/"false", decimal numbers, "%f" for floats,
  // the string itself, Base64 for blobs, the enum number; "" for empty,
  // collections and structures.
  std::string ToText() const;

  // --- Changing. Each setter first releases what the cell held. ---

  void Clear();
  void SetBool(bool value);
  void SetInt64(int64_t value);
  void SetUint64(uint64_t value);
  void SetDouble(double value);
  void SetString(std::string_view value);
  void SetBlob(const void* data, size_t size);
  void SetEnum(int32_t value, uint32_t type_key);

  // Turn the cell into an empty collection or structure, unless it already
  // is one, in which case its content is kept.
  void MakeCollection();
  void MakeStructure();
  // Grow a collection's capacity to at least `count`; no-op for other kinds.
  void Reserve(size_t count);
  // Grow a structure's room for fields to at least `count`; no-op for other
  // kinds.
  void ReserveFields(size_t count);

  // Element `index`, making the cell a collection and appending empty
  // elements as needed.
  BindingProperty& MutableElement(size_t index);
  // A new element at the end of the collection (the cell becomes one).
  BindingProperty& Append();
  // Field `name`, making the cell a structure and inserting an empty value
  // when the name is absent.
  BindingProperty& MutableField(std::string_view name);
  // As above, for builders that see the same names over and over: `hint`, an
  // entry of this cell's allocator (or null), is used for the name when its
  // text matches, which saves interning it; `*used` (when not null) receives
  // the entry the field is stored under.
  BindingProperty& MutableField(std::string_view name, const InternedString* hint,
                                const InternedString** used);

 private:
  friend class BindingAllocator;
  friend class StackTreeBuilder;

  // Collections and structures keep their size and capacity in front of
  // their items, in one block. An empty container has no block at all.
  struct ContainerHeader {
    uint32_t size;
    uint32_t capacity;
  };

  BindingAllocator* EnsureAllocator();
  // True for the kinds whose payload lives in the allocator.
  bool HoldsStorage() const {
    constexpr unsigned kWithStorage = 1u << static_cast<unsigned>(BindingPropertyKind::kString) |
                                      1u << static_cast<unsigned>(BindingPropertyKind::kBlob) |
                                      1u << static_cast<unsigned>(BindingPropertyKind::kCollection) |
                                      1u << static_cast<unsigned>(BindingPropertyKind::kStructure);
    return ((kWithStorage >> static_cast<unsigned>(kind_)) & 1u) != 0;
  }
  void ReleasePayload();
  void InitChild(BindingAllocator* allocator);
  void CopyInto(BindingProperty& target) const;
  ContainerHeader* header() const { return static_cast<ContainerHeader*>(payload_.block); }
  BindingProperty* items() const;
  BindingStructEntry* entries() const;
  void GrowContainer(size_t min_capacity, size_t item_size);
  void GrowCollection(size_t min_capacity);
  void GrowStructure(size_t min_capacity);
  void DestroyContainer();

  // The widest member comes first: `payload_{}` zeroes only the first member,
  // and a fresh cell must read a null block.
  union Payload {
    uint64_t u64;
    bool boolean;
    int64_t i64;
    double f64;
    BindingEnumValue enumeration;
    void* block;  // interned string, blob, collection or structure header
  };

  Payload payload_{};
  BindingAllocator* allocator_ = nullptr;  // shared, reference-counted
  BindingPropertyKind kind_ = BindingPropertyKind::kEmpty;
};

// One field of a structure: its interned name and its value.
struct BindingStructEntry {
  const InternedString* name;
  BindingProperty value;

  std::string_view key() const { return name->view(); }
};

inline BindingProperty::FieldIterator& BindingProperty::FieldIterator::operator++() {
  ++entry_;
  return *this;
}

// Inline: writers and conversions walk every container of a tree.
inline BindingProperty* BindingProperty::items() const {
  return reinterpret_cast<BindingProperty*>(static_cast<char*>(payload_.block) +
                                            sizeof(ContainerHeader));
}

inline BindingStructEntry* BindingProperty::entries() const {
  return reinterpret_cast<BindingStructEntry*>(static_cast<char*>(payload_.block) +
                                               sizeof(ContainerHeader));
}

inline BindingProperty::ElementRange BindingProperty::Elements() const {
  ElementRange range;
  if (kind_ == BindingPropertyKind::kCollection && header() != nullptr) {
    range.begin_ = items();
    range.end_ = items() + header()->size;
  }
  return range;
}

inline BindingProperty::FieldRange BindingProperty::Fields() const {
  FieldRange range;
  if (kind_ == BindingPropertyKind::kStructure && header() != nullptr) {
    range.begin_.entry_ = entries();
    range.end_.entry_ = entries() + header()->size;
  }
  return range;
}

}  // namespace tav

#endif  // TAV_BINDING_BINDING_PROPERTY_H_
