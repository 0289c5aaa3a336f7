#include "binding/msgpack_reader.h"

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "binding/in_place_tree_builder.h"
#include "binding/nesting_depth.h"
#include "binding/stack_tree_builder.h"
#include "log/positional_format.h"

namespace tav {
namespace {

// An open array or map. A map of n entries has 2n items: key, value, ...
// Scalars never get a frame: they go to the builder as they are read.
struct Frame {
  Frame(uint64_t items, bool map) : announced(items), is_map(map) {}

  uint64_t announced;
  uint64_t read = 0;
  std::string_view pending_key;
  bool is_map;
};

uint16_t LoadBig16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
uint32_t LoadBig32(const uint8_t* p) {
  uint32_t value;
  std::memcpy(&value, p, sizeof value);
  return __builtin_bswap32(value);
}
uint64_t LoadBig64(const uint8_t* p) {
  uint64_t value;
  std::memcpy(&value, p, sizeof value);
  return __builtin_bswap64(value);
}

bool IsContainerFormat(uint8_t format) {
  return (format >= 0x80 && format <= 0x9F) || (format >= 0xDC && format <= 0xDF);
}

// Decodes one value into a StackTreeBuilder or an InPlaceTreeBuilder.
template <typename Builder>
class Decoder {
 public:
  Decoder(const void* data, size_t size, BindingResult& result, Builder& builder)
      : data_(static_cast<const uint8_t*>(data)), size_(size), result_(result), builder_(builder) {}

  size_t offset() const { return offset_; }
  // The builder refused two fields of one map with the same name.
  bool repeated_names() const { return repeated_names_; }

  // False when decoding failed (the result then says why) or the builder
  // refused a map.
  bool Run() {
    frames_.reserve(16);
    if (offset_ >= size_) return true;
    if (!ReadValue(data_[offset_++])) return false;
    while (!frames_.empty()) {
      Frame& top = frames_.back();
      if (top.read == top.announced) {
        if (!Close()) return false;
        continue;
      }
      // A container announced with more items than the buffer holds ends
      // here, without an error, with what it has.
      if (offset_ >= size_) break;
      const uint8_t format = data_[offset_++];
      if (top.is_map && top.read % 2 == 0) {
        if (!ReadKey(format, top)) return false;
        continue;
      }
      // The field is made once its value has begun.
      if (top.is_map) builder_.Key(top.pending_key);
      ++top.read;
      // May push a frame, after which `top` is no longer valid.
      if (!ReadValue(format)) return false;
    }
    while (!frames_.empty()) {
      if (!Close()) return false;
    }
    return true;
  }

 private:
  bool Close() {
    const bool is_map = frames_.back().is_map;
    frames_.pop_back();
    if (!is_map) {
      builder_.EndArray();
      return true;
    }
    if (builder_.EndObject()) return true;
    repeated_names_ = true;
    return false;
  }

  size_t Remaining() const { return size_ - offset_; }

  // Checks that `width` bytes of a number or length follow; fails with the
  // truncation message of that width otherwise.
  bool Need(size_t width) {
    if (Remaining() >= width) return true;
    const char* format = nullptr;
    switch (width) {
      case 1:
        format = "Invalid MessagePack data. 8-bit integer value at position %1 is truncated.";
        break;
      case 2:
        format = "Invalid MessagePack data. 16-bit integer value at position %1 is truncated.";
        break;
      case 4:
        format = "Invalid MessagePack data. 32-bit integer value at position %1 is truncated.";
        break;
      default:
        format = "Invalid MessagePack data. 64-bit integer value at position %1 is truncated.";
        break;
    }
    result_.Fail(FormatMessage(format, offset_));
    return false;
  }

  // Reads a big-endian unsigned number of `width` bytes (1, 2, 4 or 8).
  bool ReadUnsigned(size_t width, uint64_t& value) {
    if (!Need(width)) return false;
    const uint8_t* p = data_ + offset_;
    switch (width) {
      case 1:
        value = p[0];
        break;
      case 2:
        value = LoadBig16(p);
        break;
      case 4:
        value = LoadBig32(p);
        break;
      default:
        value = LoadBig64(p);
        break;
    }
    offset_ += width;
    return true;
  }

  bool ReadSigned(size_t width, int64_t& value) {
    uint64_t bits = 0;
    if (!ReadUnsigned(width, bits)) return false;
    switch (width) {
      case 1:
        value = static_cast<int8_t>(bits);
        break;
      case 2:
        value = static_cast<int16_t>(bits);
        break;
      case 4:
        value = static_cast<int32_t>(bits);
        break;
      default:
        value = static_cast<int64_t>(bits);
        break;
    }
    return true;
  }

  // A string body of `length` bytes at the current offset.
  bool ReadText(uint64_t length, std::string_view& text) {
    if (Remaining() < length) {
      result_.Fail(FormatMessage(
          "Invalid MessagePack data. String of size %1 at position %2 is truncated.", length,
          offset_));
      return false;
    }
    text = std::string_view(reinterpret_cast<const char*>(data_ + offset_), length);
    offset_ += length;
    return true;
  }

  // The length of a str format byte, which must be read already; false
  // (without failing) when `format` is not a str byte.
  bool ReadTextLength(uint8_t format, uint64_t& length, bool& is_text) {
    is_text = true;
    if (format >= 0xA0 && format <= 0xBF) {
      length = format & 0x1F;
      return true;
    }
    switch (format) {
      case 0xD9:
        return ReadUnsigned(1, length);
      case 0xDA:
        return ReadUnsigned(2, length);
      case 0xDB:
        return ReadUnsigned(4, length);
      default:
        is_text = false;
        return true;
    }
  }

  bool ReadKey(uint8_t format, Frame& top) {
    uint64_t length = 0;
    bool is_text = false;
    if (!ReadTextLength(format, length, is_text)) return false;
    if (!is_text) {
      result_.Fail(FormatMessage(
          "Invalid MessagePack data at position %1. Map keys must be strings.", offset_));
      return false;
    }
    if (!ReadText(length, top.pending_key)) return false;
    ++top.read;
    return true;
  }

  bool Unsupported() {
    result_.Fail(FormatMessage("Invalid MessagePack data at position %1.", offset_));
    return false;
  }

  // A scalar is complete once stored.
  static bool Done() { return true; }

  bool OpenContainer(uint64_t count, bool is_map) {
    // Every element takes at least one byte and every entry two, so a count
    // larger than the rest of the buffer allows is never worth reserving for.
    const uint64_t room = is_map ? Remaining() / 2 : Remaining();
    const size_t reserve = static_cast<size_t>(count < room ? count : room);
    if (!(is_map ? builder_.BeginObject(reserve) : builder_.BeginArray(reserve))) {
      result_.Fail(FormatMessage(
          "Invalid MessagePack data at position %1. Containers are nested deeper than %2 levels.",
          offset_, kMaxNestingDepth));
      return false;
    }
    frames_.emplace_back(is_map ? count * 2 : count, is_map);
    return true;
  }

  bool OpenSized(size_t width, bool is_map) {
    uint64_t count = 0;
    if (!ReadUnsigned(width, count)) return false;
    return OpenContainer(count, is_map);
  }

  bool ReadValue(uint8_t format) {
    if (format <= 0x7F) {
      builder_.Signed(format);
      return Done();
    }
    if (format >= 0xE0) {
      builder_.Signed(static_cast<int8_t>(format));
      return Done();
    }
    if (format <= 0x8F) return OpenContainer(format & 0x0F, /*is_map=*/true);
    if (format <= 0x9F) return OpenContainer(format & 0x0F, /*is_map=*/false);
    if (format <= 0xBF) return ReadString(format & 0x1F);

    uint64_t unsigned_value = 0;
    int64_t signed_value = 0;
    switch (format) {
      case 0xC0:  // nil: the cell keeps whatever it holds
        builder_.Null();
        return Done();
      case 0xC2:
        builder_.Bool(false);
        return Done();
      case 0xC3:
        builder_.Bool(true);
        return Done();
      case 0xC4:
        return ReadBlob(1);
      case 0xC5:
        return ReadBlob(2);
      case 0xC6:
        return ReadBlob(4);
      case 0xCA: {
        if (!ReadUnsigned(4, unsigned_value)) return false;
        const uint32_t bits = static_cast<uint32_t>(unsigned_value);
        float number;
        std::memcpy(&number, &bits, sizeof number);
        builder_.Float(number);
        return Done();
      }
      case 0xCB: {
        if (!ReadUnsigned(8, unsigned_value)) return false;
        double number;
        std::memcpy(&number, &unsigned_value, sizeof number);
        builder_.Float(number);
        return Done();
      }
      case 0xCC:
      case 0xCD:
      case 0xCE:
      case 0xCF:
        if (!ReadUnsigned(size_t{1} << (format - 0xCC), unsigned_value)) return false;
        builder_.Unsigned(unsigned_value);
        return Done();
      case 0xD0:
      case 0xD1:
      case 0xD2:
      case 0xD3:
        if (!ReadSigned(size_t{1} << (format - 0xD0), signed_value)) return false;
        builder_.Signed(signed_value);
        return Done();
      case 0xD9:
      case 0xDA:
      case 0xDB: {
        if (!ReadUnsigned(size_t{1} << (format - 0xD9), unsigned_value)) return false;
        return ReadString(unsigned_value);
      }
      case 0xDC:
        return OpenSized(2, /*is_map=*/false);
      case 0xDD:
        return OpenSized(4, /*is_map=*/false);
      case 0xDE:
        return OpenSized(2, /*is_map=*/true);
      case 0xDF:
        return OpenSized(4, /*is_map=*/true);
      default:  // 0xC1, ext 8/16/32 and fixext 1-16
        return Unsupported();
    }
  }

  bool ReadString(uint64_t length) {
    std::string_view text;
    if (!ReadText(length, text)) return false;
    builder_.String(text);
    return Done();
  }

  bool ReadBlob(size_t width) {
    uint64_t length = 0;
    if (!ReadUnsigned(width, length)) return false;
    if (Remaining() < length) {
      result_.Fail(FormatMessage(
          "Invalid MessagePack data. Raw bytes of size %1 at position %2 are truncated.", length,
          offset_));
      return false;
    }
    builder_.Blob(data_ + offset_, static_cast<size_t>(length));
    offset_ += static_cast<size_t>(length);
    return Done();
  }

  const uint8_t* data_;
  size_t size_;
  size_t offset_ = 0;
  BindingResult& result_;
  Builder& builder_;
  std::vector<Frame> frames_;
  bool repeated_names_ = false;
};

}  // namespace

BindingResult DecodeMsgpack(const void* data, size_t size, size_t* consumed) {
  BindingResult result;
  // Arrays and maps are built bottom-up, each container allocated once;
  // a map that repeats a key is decoded again in place, which merges the
  // fields.
  if (size != 0 && IsContainerFormat(*static_cast<const uint8_t*>(data))) {
    StackTreeBuilder builder;
    Decoder<StackTreeBuilder> decoder(data, size, result, builder);
    const bool built = decoder.Run();
    if (built || !decoder.repeated_names()) {
      if (built) builder.Finish(result.value());
      if (consumed != nullptr) *consumed = decoder.offset();
      return result;
    }
  }
  InPlaceTreeBuilder builder(result.value(), RepeatedArrays::kOverwrite);
  Decoder<InPlaceTreeBuilder> decoder(data, size, result, builder);
  decoder.Run();
  if (consumed != nullptr) *consumed = decoder.offset();
  return result;
}

}  // namespace tav
