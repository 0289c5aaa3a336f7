#include "binding/core_value.h"

#include <cstring>
#include <string>

#include "binding/binding_type_registry.h"
#include "binding/nesting_depth.h"
#include "log/positional_format.h"
#include "runtime/heap.h"

namespace tav {
namespace {

CoreValue* ElementsOf(const CoreValue& value) {
  return static_cast<CoreValue*>(const_cast<void*>(value.payload.ref.address));
}

CoreStructEntry* EntriesOf(const CoreValue& value) {
  return static_cast<CoreStructEntry*>(const_cast<void*>(value.payload.ref.address));
}

void SetReference(CoreValue& out, uint32_t kind, const void* address, size_t length) {
  out.kind = kind;
  out.payload.ref.address = address;
  out.payload.ref.length = static_cast<uint32_t>(length);
}

// An owned NUL-terminated copy.
void SetOwnedText(CoreValue& out, const char* text, size_t length) {
  char* copy = HeapDuplicateText(text, length);
  if (copy == nullptr) return;  // out of memory: the value stays null
  SetReference(out, TAV_CORE_OWNED_STRING, copy, length);
}

// A zeroed array of `count` items of `item_size` bytes, or null for none.
void* AllocateZeroed(size_t count, size_t item_size) {
  if (count == 0) return nullptr;
  void* block = HeapAllocate(count * item_size);
  if (block != nullptr) std::memset(block, 0, count * item_size);
  return block;
}

// Fills `out`, which is all zero.
void Fill(const BindingProperty& value, const BindingTypeRegistry* registry, CoreValue& out) {
  switch (value.kind()) {
    case BindingPropertyKind::kEmpty:
      return;
    case BindingPropertyKind::kBool:
      out.kind = TAV_CORE_BOOL;
      out.payload.boolean = value.AsBool() ? 1 : 0;
      return;
    case BindingPropertyKind::kSigned:
      out.kind = TAV_CORE_SIGNED;
      out.payload.i64 = value.AsInt64();
      return;
    case BindingPropertyKind::kUnsigned:
      out.kind = TAV_CORE_UNSIGNED;
      out.payload.u64 = value.AsUint64();
      return;
    case BindingPropertyKind::kFloat:
      out.kind = TAV_CORE_FLOAT;
      out.payload.f64 = value.AsDouble();
      return;
    case BindingPropertyKind::kString: {
      // The core reads a C text, so an embedded NUL ends it.
      const std::string_view text = value.AsString();
      const void* nul = std::memchr(text.data(), '\0', text.size());
      const size_t length =
          nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - text.data())
                         : text.size();
      SetOwnedText(out, text.data(), length);
      return;
    }
    case BindingPropertyKind::kBlob: {
      const std::string_view bytes = value.AsBlob();
      void* copy = nullptr;
      if (!bytes.empty()) {
        copy = HeapAllocate(bytes.size());
        if (copy == nullptr) return;
        std::memcpy(copy, bytes.data(), bytes.size());
      }
      SetReference(out, TAV_CORE_OWNED_BLOB, copy, bytes.size());
      return;
    }
    case BindingPropertyKind::kEnum: {
      const BindingEnumValue enumeration = value.AsEnum();
      const char* name = registry != nullptr
                             ? registry->FindEnumValueName(enumeration.type_key, enumeration.value)
                             : nullptr;
      if (name != nullptr) {
        SetOwnedText(out, name, std::strlen(name));
        return;
      }
      out.kind = TAV_CORE_SIGNED;
      out.payload.i64 = enumeration.value;
      return;
    }
    case BindingPropertyKind::kCollection: {
      const BindingProperty::ElementRange elements = value.Elements();
      auto* array = static_cast<CoreValue*>(AllocateZeroed(elements.size(), sizeof(CoreValue)));
      if (array == nullptr && elements.size() != 0) return;
      SetReference(out, TAV_CORE_COLLECTION, array, elements.size());
      size_t index = 0;
      for (const BindingProperty& element : elements) Fill(element, registry, array[index++]);
      return;
    }
    case BindingPropertyKind::kStructure: {
      const size_t count = value.size();
      auto* entries =
          static_cast<CoreStructEntry*>(AllocateZeroed(count, sizeof(CoreStructEntry)));
      if (entries == nullptr && count != 0) return;
      SetReference(out, TAV_CORE_STRUCTURE, entries, count);
      size_t index = 0;
      for (const BindingStructEntry& field : value.Fields()) {
        CoreStructEntry& entry = entries[index++];
        const std::string_view key = field.key();
        entry.key = HeapDuplicateText(key.data(), key.size());
        entry.key_owned = 1;
        Fill(field.value, registry, entry.value);
      }
      return;
    }
  }
}

// Why a conversion from the core's form stopped.
enum class Fault { kNone, kIncompatible, kTooDeep };

class Importer {
 public:
  Fault fault() const { return fault_; }
  uint32_t fault_kind() const { return fault_kind_; }

  bool Convert(const CoreValue& value, BindingProperty& out, size_t depth) {
    const uint32_t kind = value.kind;
    switch (kind) {
      case TAV_CORE_NULL:
        out.Clear();
        return true;
      case TAV_CORE_BOOL:
        out.SetBool(value.payload.boolean != 0);
        return true;
      case TAV_CORE_SIGNED:
        out.SetInt64(value.payload.i64);
        return true;
      case TAV_CORE_UNSIGNED:
        out.SetUint64(value.payload.u64);
        return true;
      case TAV_CORE_FLOAT:
        out.SetDouble(value.payload.f64);
        return true;
      case TAV_CORE_STRING:
      case TAV_CORE_OWNED_STRING: {
        const char* text = static_cast<const char*>(value.payload.ref.address);
        if (text == nullptr) return Incompatible(kind);
        out.SetString(text);
        return true;
      }
      case TAV_CORE_BLOB:
      case TAV_CORE_OWNED_BLOB: {
        const void* bytes = value.payload.ref.address;
        const uint32_t length = value.payload.ref.length;
        if (length == 0) {
          out.SetBlob("", 0);
          return true;
        }
        if (bytes == nullptr) return Incompatible(kind);
        out.SetBlob(bytes, length);
        return true;
      }
      case TAV_CORE_COLLECTION:
        return ConvertCollection(value, out, depth);
      case TAV_CORE_STRUCTURE:
        return ConvertStructure(value, out, depth);
      default:
        return Incompatible(kind);
    }
  }

 private:
  bool Incompatible(uint32_t kind) {
    fault_ = Fault::kIncompatible;
    fault_kind_ = kind;
    return false;
  }

  bool ConvertCollection(const CoreValue& value, BindingProperty& out, size_t depth) {
    const uint32_t count = value.payload.ref.length;
    const CoreValue* elements = ElementsOf(value);
    if (elements == nullptr && count != 0) return Incompatible(value.kind);
    if (depth > kMaxNestingDepth) {
      fault_ = Fault::kTooDeep;
      return false;
    }
    out.MakeCollection();
    out.Reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
      if (!Convert(elements[i], out.MutableElement(i), depth + 1)) return false;
    }
    return true;
  }

  bool ConvertStructure(const CoreValue& value, BindingProperty& out, size_t depth) {
    const uint32_t count = value.payload.ref.length;
    const CoreStructEntry* entries = EntriesOf(value);
    if (entries == nullptr && count != 0) return Incompatible(value.kind);
    if (depth > kMaxNestingDepth) {
      fault_ = Fault::kTooDeep;
      return false;
    }
    out.MakeStructure();
    for (uint32_t i = 0; i < count; ++i) {
      const CoreStructEntry& entry = entries[i];
      if (entry.key == nullptr) return Incompatible(value.kind);
      if (!Convert(entry.value, out.MutableField(entry.key), depth + 1)) return false;
    }
    return true;
  }

  Fault fault_ = Fault::kNone;
  uint32_t fault_kind_ = 0;
};

void ReportFault(const Importer& importer, std::string_view name, ResponseRecord* error_record) {
  if (error_record == nullptr) return;
  std::string message;
  if (importer.fault() == Fault::kTooDeep) {
    message = FormatMessage(
        "Couldn't assign value to '%1' of type object because the input is nested deeper than "
        "%2 levels.",
        name, kMaxNestingDepth);
  } else {
    message = FormatMessage(
        "Couldn't assign value to '%1' of type object because the input is of an incompatible "
        "type '%2'.",
        name, CoreValueKindName(importer.fault_kind()));
  }
  if (error_record->error_owned != 0) HeapFree(const_cast<char*>(error_record->error));
  error_record->error = HeapDuplicateText(message.data(), message.size());
  error_record->error_owned = 1;
}

}  // namespace

void ReleaseCoreValue(CoreValue* value) {
  if (value == nullptr) return;
  switch (value->kind) {
    case TAV_CORE_OWNED_STRING:
    case TAV_CORE_OWNED_BLOB:
      HeapFree(const_cast<void*>(value->payload.ref.address));
      break;
    case TAV_CORE_COLLECTION: {
      CoreValue* elements = ElementsOf(*value);
      if (elements == nullptr) break;
      for (uint32_t i = 0; i < value->payload.ref.length; ++i) ReleaseCoreValue(&elements[i]);
      HeapFree(elements);
      break;
    }
    case TAV_CORE_STRUCTURE: {
      CoreStructEntry* entries = EntriesOf(*value);
      if (entries == nullptr) break;
      for (uint32_t i = 0; i < value->payload.ref.length; ++i) {
        CoreStructEntry& entry = entries[i];
        if (entry.key_owned == 1) HeapFree(const_cast<char*>(entry.key));
        ReleaseCoreValue(&entry.value);
      }
      HeapFree(entries);
      break;
    }
    default:  // nothing owned
      break;
  }
  std::memset(value, 0, sizeof *value);
}

void ToCoreValue(const BindingProperty& value, const BindingTypeRegistry* registry,
                 CoreValue* out) {
  ReleaseCoreValue(out);
  Fill(value, registry, *out);
}

bool FromCoreValue(const CoreValue& value, std::string_view name, ResponseRecord* error_record,
                   BindingProperty* out) {
  Importer importer;
  if (importer.Convert(value, *out, 1)) return true;
  ReportFault(importer, name, error_record);
  return false;
}

const char* CoreValueKindName(uint32_t kind) {
  switch (kind) {
    case TAV_CORE_BOOL:
      return "bool";
    case TAV_CORE_SIGNED:
      return "signed";
    case TAV_CORE_UNSIGNED:
      return "unsigned";
    case TAV_CORE_FLOAT:
      return "float";
    case TAV_CORE_STRING:
    case TAV_CORE_OWNED_STRING:
      return "string";
    case TAV_CORE_BLOB:
    case TAV_CORE_OWNED_BLOB:
      return "blob";
    case TAV_CORE_COLLECTION:
      return "collection";
    case TAV_CORE_STRUCTURE:
      return "structure";
    default:
      return "";
  }
}

}  // namespace tav
