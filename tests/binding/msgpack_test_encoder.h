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
  void Byte(uint8_t byte) { out_.push_back(static_cast<char>(byte)); }

  void Big(uint64_t value, int width) {
    for (int shift = (width - 1) * 8; shift >= 0; shift -= 8) Byte(static_cast<uint8_t>(value >> shift));
  }

  // A format byte followed by a big-endian number of the smallest width of
  // the four that holds `value`.
  void Sized(uint8_t format8, uint64_t value) {
    if (value <= 0xFF) {
      Byte(format8);
      Big(value, 1);
    } else if (value <= 0xFFFF) {
      Byte(format8 + 1);
      Big(value, 2);
    } else if (value <= 0xFFFFFFFFu) {
      Byte(format8 + 2);
      Big(value, 4);
    } else {
      Byte(format8 + 3);
      Big(value, 8);
    }
  }

  void Signed(int64_t value) {
    if (value >= 0 && value <= 0x7F) return Byte(static_cast<uint8_t>(value));
    if (value < 0 && value >= -32) return Byte(static_cast<uint8_t>(value));
    if (value >= INT8_MIN && value <= INT8_MAX) return Byte(0xD0), Big(static_cast<uint8_t>(value), 1);
    if (value >= INT16_MIN && value <= INT16_MAX) {
      return Byte(0xD1), Big(static_cast<uint16_t>(value), 2);
    }
    if (value >= INT32_MIN && value <= INT32_MAX) {
      return Byte(0xD2), Big(static_cast<uint32_t>(value), 4);
    }
    Byte(0xD3);
    Big(static_cast<uint64_t>(value), 8);
  }

  // fixstr / fixarray / fixmap up to `fix_limit`, else the 8/16/32 forms
  // (8-bit only where MessagePack has one).
  void Header(uint8_t fix_base, uint64_t fix_limit, uint8_t format8, uint8_t format16,
              uint64_t count) {
    if (count <= fix_limit) return Byte(static_cast<uint8_t>(fix_base | count));
    if (format8 != 0 && count <= 0xFF) return Byte(format8), Big(count, 1);
    if (count <= 0xFFFF) return Byte(format16), Big(count, 2);
    Byte(format16 + 1);
    Big(count, 4);
  }

  void Text(std::string_view text) {
    Header(0xA0, 31, 0xD9, 0xDA, text.size());
    out_.append(text);
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
        return Sized(0xCC, value.AsUint64());
      case BindingPropertyKind::kFloat: {
        uint64_t bits;
        const double number = value.AsDouble();
        std::memcpy(&bits, &number, sizeof bits);
        Byte(0xCB);
        return Big(bits, 8);
      }
      case BindingPropertyKind::kString:
        return Text(value.AsString());
      case BindingPropertyKind::kBlob: {
        const std::string_view bytes = value.AsBlob();
        if (bytes.size() <= 0xFF) {
          Byte(0xC4);
          Big(bytes.size(), 1);
        } else if (bytes.size() <= 0xFFFF) {
          Byte(0xC5);
          Big(bytes.size(), 2);
        } else {
          Byte(0xC6);
          Big(bytes.size(), 4);
        }
        out_.append(bytes);
        return;
      }
      case BindingPropertyKind::kEnum:
        return Signed(value.AsEnum().value);
      case BindingPropertyKind::kCollection:
        Header(0x90, 15, 0, 0xDC, value.size());
        for (const BindingProperty& element : value.Elements()) Write(element);
        return;
      case BindingPropertyKind::kStructure:
        Header(0x80, 15, 0, 0xDE, value.size());
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
