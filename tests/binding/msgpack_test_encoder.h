// A small MessagePack encoder for tests, fuzzers and benchmarks (the plugin
// itself only decodes). Picks the shortest form of every number, string,
// array and map, and keeps the kinds the decoder gives back: an unsigned
// value always uses a uint format, a signed one a fixint or int format.
// Empty cells become nil, enumeration values their number.
#ifndef TAV_TESTS_BINDING_MSGPACK_TEST_ENCODER_H_
#define TAV_TESTS_BINDING_MSGPACK_TEST_ENCODER_H_

#include <cstdint>
#include <cstring>
#include <string>

#include "binding/binding_property.h"

namespace tav::testing {

class MsgpackTestEncoder {
 public:
  static std::string Encode(const BindingProperty& value) {
    MsgpackTestEncoder encoder;
    encoder.Write(value);
    return std::move(encoder.out_);
  }

 private:
  // 0 to 3 for a value that needs 1, 2, 4 or 8 bytes.
  static int WidthOf(uint64_t value) {
    return value <= 0xFF ? 0 : value <= 0xFFFF ? 1 : value <= 0xFFFFFFFFu ? 2 : 3;
  }
  static int SignedWidthOf(int64_t value) {
    if (value >= INT8_MIN && value <= INT8_MAX) return 0;
    if (value >= INT16_MIN && value <= INT16_MAX) return 1;
    return value >= INT32_MIN && value <= INT32_MAX ? 2 : 3;
  }

  void Byte(uint8_t byte) { out_.push_back(static_cast<char>(byte)); }

  // The format byte of a family (uint, int, str, bin...) whose members for
  // widths 1, 2, 4 and 8 follow each other, then `value` big-endian.
  void Sized(uint8_t first_format, int width, uint64_t value) {
    Byte(static_cast<uint8_t>(first_format + width));
    for (int shift = (8 << width) - 8; shift >= 0; shift -= 8) {
      Byte(static_cast<uint8_t>(value >> shift));
    }
  }

  // fixstr/fixarray/fixmap, else the 16 and 32-bit counts (str also has 8).
  void Header(uint8_t fix_base, uint64_t fix_limit, uint8_t first_format, uint64_t count) {
    if (count <= fix_limit) return Byte(static_cast<uint8_t>(fix_base | count));
    if (first_format == 0xD9) return Sized(first_format, WidthOf(count), count);
    Sized(first_format - 1, count <= 0xFFFF ? 1 : 2, count);
  }

  void Text(std::string_view text) {
    Header(0xA0, 31, 0xD9, text.size());
    out_.append(text);
  }

  void Signed(int64_t value) {
    if (value >= -32 && value <= 0x7F) return Byte(static_cast<uint8_t>(value));
    Sized(0xD0, SignedWidthOf(value), static_cast<uint64_t>(value));
  }

  void Write(const BindingProperty& value) {
    switch (value.kind()) {
      case BindingPropertyKind::kEmpty:
        return Byte(0xC0);
      case BindingPropertyKind::kBool:
        return Byte(value.AsBool() ? 0xC3 : 0xC2);
      case BindingPropertyKind::kSigned:
        return Signed(value.AsInt64());
      case BindingPropertyKind::kUnsigned:
        return Sized(0xCC, WidthOf(value.AsUint64()), value.AsUint64());
      case BindingPropertyKind::kFloat: {
        uint64_t bits;
        const double number = value.AsDouble();
        std::memcpy(&bits, &number, sizeof bits);
        return Sized(0xCB - 3, 3, bits);  // float 64 only
      }
      case BindingPropertyKind::kString:
        return Text(value.AsString());
      case BindingPropertyKind::kBlob:
        Sized(0xC4, WidthOf(value.AsBlob().size()), value.AsBlob().size());
        out_.append(value.AsBlob());
        return;
      case BindingPropertyKind::kEnum:
        return Signed(value.AsEnum().value);
      case BindingPropertyKind::kCollection:
        Header(0x90, 15, 0xDC, value.size());
        for (const BindingProperty& element : value.Elements()) Write(element);
        return;
      case BindingPropertyKind::kStructure:
        Header(0x80, 15, 0xDE, value.size());
        for (const BindingStructEntry& field : value.Fields()) {
          Text(field.key());
          Write(field.value);
        }
        return;
    }
  }

  std::string out_;
};

}  // namespace tav::testing

#endif  // TAV_TESTS_BINDING_MSGPACK_TEST_ENCODER_H_
