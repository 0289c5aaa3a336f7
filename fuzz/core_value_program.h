// The CoreValue fuzzer's input language: a byte string that describes a
// CoreValue tree, including malformed ones (null addresses with non-zero
// counts, null texts and keys, length words that disagree with the text,
// unknown kinds). Also the writer that turns a BindingProperty into such
// bytes, for seeds.
//
// One node: a byte whose low 4 bits are the kind (11-15 are invalid kinds),
// bit 4 "null address", bit 5 "length word disagrees"; then by kind:
//   1: one byte (the bool byte as given); 2, 3, 4: eight bytes;
//   5, 6: length n, n bytes of text (a NUL is appended);
//   7, 8: length n, n bytes;
//   9: count n, then n nodes (none when the address is null);
//   10: count n, then n entries: a byte (bit 7 null key, bit 6 key owned,
//       low 6 bits key length), the key bytes, one node.
// Input that runs out reads as zero bytes.
#ifndef TAV_FUZZ_CORE_VALUE_PROGRAM_H_
#define TAV_FUZZ_CORE_VALUE_PROGRAM_H_

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "binding/binding_property.h"
#include "binding/core_value.h"
#include "runtime/heap.h"
#include "tav/plugin_abi.h"

namespace tav::fuzzing {

class CoreValueProgram {
 public:
  // Deeper nodes are read as kind 0, to keep the builder's own recursion
  // bounded; the converter's limit is far below this.
  static constexpr int kMaxBuildDepth = 3000;

  CoreValueProgram(const uint8_t* data, size_t size) : data_(data), size_(size) {
    Build(root_, 0);
  }
  ~CoreValueProgram() {
    ReleaseCoreValue(&root_);
    for (void* block : borrowed_) HeapFree(block);
  }
  CoreValueProgram(const CoreValueProgram&) = delete;
  CoreValueProgram& operator=(const CoreValueProgram&) = delete;

  const CoreValue& value() const { return root_; }

  static std::string Write(const BindingProperty& value) {
    std::string out;
    WriteNode(value, out);
    return out;
  }

 private:
  uint8_t Next() { return offset_ < size_ ? data_[offset_++] : 0; }

  // `length` bytes of input and a NUL, on the counting heap.
  char* TakeText(size_t length) {
    char* text = static_cast<char*>(HeapAllocate(length + 1));
    for (size_t i = 0; i < length; ++i) text[i] = static_cast<char>(Next());
    text[length] = '\0';
    return text;
  }

  void Build(CoreValue& out, int depth) {
    std::memset(&out, 0, sizeof out);
    const uint8_t op = Next();
    const uint32_t kind = op & 0x0F;
    const bool null_address = (op & 0x10) != 0;
    const bool bogus_length = (op & 0x20) != 0;
    if (depth > kMaxBuildDepth) return;
    out.kind = kind;
    switch (kind) {
      case TAV_CORE_BOOL:
        out.payload.boolean = Next();
        return;
      case TAV_CORE_SIGNED:
      case TAV_CORE_UNSIGNED:
      case TAV_CORE_FLOAT: {
        uint8_t bytes[8];
        for (uint8_t& b : bytes) b = Next();
        std::memcpy(&out.payload.u64, bytes, sizeof bytes);
        return;
      }
      case TAV_CORE_STRING:
      case TAV_CORE_OWNED_STRING:
      case TAV_CORE_BLOB:
      case TAV_CORE_OWNED_BLOB: {
        const size_t length = Next();
        char* bytes = TakeText(length);
        const bool owned = kind == TAV_CORE_OWNED_STRING || kind == TAV_CORE_OWNED_BLOB;
        if (null_address) {
          HeapFree(bytes);
          bytes = nullptr;
        } else if (!owned) {
          borrowed_.push_back(bytes);
        }
        out.payload.ref.address = bytes;
        out.payload.ref.length = static_cast<uint32_t>(bogus_length ? length * 7 + 3 : length);
        if (!bogus_length || kind == TAV_CORE_STRING || kind == TAV_CORE_OWNED_STRING) return;
        // A blob's length word is its size: never let it exceed the bytes.
        out.payload.ref.length = static_cast<uint32_t>(length);
        return;
      }
      case TAV_CORE_COLLECTION: {
        const uint32_t count = Next();
        out.payload.ref.length = count;
        if (null_address || count == 0) return;
        auto* elements = static_cast<CoreValue*>(HeapAllocate(count * sizeof(CoreValue)));
        std::memset(elements, 0, count * sizeof(CoreValue));
        out.payload.ref.address = elements;
        for (uint32_t i = 0; i < count; ++i) Build(elements[i], depth + 1);
        return;
      }
      case TAV_CORE_STRUCTURE: {
        const uint32_t count = Next();
        out.payload.ref.length = count;
        if (null_address || count == 0) return;
        auto* entries =
            static_cast<CoreStructEntry*>(HeapAllocate(count * sizeof(CoreStructEntry)));
        std::memset(entries, 0, count * sizeof(CoreStructEntry));
        out.payload.ref.address = entries;
        for (uint32_t i = 0; i < count; ++i) {
          const uint8_t key_op = Next();
          char* key = TakeText(key_op & 0x3F);
          if ((key_op & 0x80) != 0) {
            HeapFree(key);
            key = nullptr;
          } else if ((key_op & 0x40) == 0) {
            borrowed_.push_back(key);
          } else {
            entries[i].key_owned = 1;
          }
          entries[i].key = key;
          Build(entries[i].value, depth + 1);
        }
        return;
      }
      default:  // 0 and the invalid kinds carry nothing
        return;
    }
  }

  static void WriteBytes(uint8_t op, std::string_view bytes, std::string& out) {
    const size_t length = bytes.size() < 255 ? bytes.size() : 255;
    out.push_back(static_cast<char>(op));
    out.push_back(static_cast<char>(length));
    out.append(bytes.substr(0, length));
  }

  static void WriteNode(const BindingProperty& value, std::string& out) {
    uint64_t bits = 0;
    switch (value.kind()) {
      case BindingPropertyKind::kEmpty:
        out.push_back(0);
        return;
      case BindingPropertyKind::kBool:
        out.push_back(TAV_CORE_BOOL);
        out.push_back(value.AsBool() ? 1 : 0);
        return;
      case BindingPropertyKind::kSigned:
      case BindingPropertyKind::kUnsigned:
      case BindingPropertyKind::kFloat:
      case BindingPropertyKind::kEnum: {
        uint8_t kind = TAV_CORE_SIGNED;
        if (value.kind() == BindingPropertyKind::kSigned) {
          bits = static_cast<uint64_t>(value.AsInt64());
        } else if (value.kind() == BindingPropertyKind::kUnsigned) {
          kind = TAV_CORE_UNSIGNED;
          bits = value.AsUint64();
        } else if (value.kind() == BindingPropertyKind::kFloat) {
          kind = TAV_CORE_FLOAT;
          const double number = value.AsDouble();
          std::memcpy(&bits, &number, sizeof bits);
        } else {
          bits = static_cast<uint64_t>(static_cast<int64_t>(value.AsEnum().value));
        }
        out.push_back(static_cast<char>(kind));
        out.append(reinterpret_cast<const char*>(&bits), sizeof bits);
        return;
      }
      case BindingPropertyKind::kString:
        WriteBytes(TAV_CORE_OWNED_STRING, value.AsString(), out);
        return;
      case BindingPropertyKind::kBlob:
        WriteBytes(TAV_CORE_BLOB, value.AsBlob(), out);
        return;
      case BindingPropertyKind::kCollection: {
        const size_t count = value.size() < 255 ? value.size() : 255;
        out.push_back(TAV_CORE_COLLECTION);
        out.push_back(static_cast<char>(count));
        for (size_t i = 0; i < count; ++i) WriteNode(value[i], out);
        return;
      }
      case BindingPropertyKind::kStructure: {
        const size_t count = value.size() < 255 ? value.size() : 255;
        out.push_back(TAV_CORE_STRUCTURE);
        out.push_back(static_cast<char>(count));
        size_t written = 0;
        for (const BindingStructEntry& field : value.Fields()) {
          if (written++ == count) break;
          const std::string_view key = field.key().substr(0, 63);
          out.push_back(static_cast<char>(0x40 | key.size()));
          out.append(key);
          WriteNode(field.value, out);
        }
        return;
      }
    }
  }

  const uint8_t* data_;
  size_t size_;
  size_t offset_ = 0;
  CoreValue root_ = {};
  std::vector<void*> borrowed_;
};

}  // namespace tav::fuzzing

#endif  // TAV_FUZZ_CORE_VALUE_PROGRAM_H_
