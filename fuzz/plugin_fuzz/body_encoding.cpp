#include "plugin_fuzz/body_encoding.h"

#include <cstdint>
#include <cstring>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "plugin_fuzz/json_shapes.h"

namespace tav::fuzzing {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string HexBytes(std::string_view text) {
  std::string bytes;
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    const int high = HexDigit(text[i]);
    const int low = HexDigit(text[i + 1]);
    if (high < 0 || low < 0) break;
    bytes.push_back(static_cast<char>(high * 16 + low));
  }
  return bytes;
}

std::string JsonOf(const rapidjson::Value& value) {
  rapidjson::StringBuffer buffer;
  rapidjson::Writer<rapidjson::StringBuffer, rapidjson::UTF8<>, rapidjson::UTF8<>,
                    rapidjson::CrtAllocator, rapidjson::kWriteNanAndInfFlag>
      writer(buffer);
  value.Accept(writer);
  return std::string(buffer.GetString(), buffer.GetSize());
}

class MessagePackWriter {
 public:
  void Write(const rapidjson::Value& value) {
    switch (value.GetType()) {
      case rapidjson::kNullType:
        return Byte(0xC0);
      case rapidjson::kFalseType:
        return Byte(0xC2);
      case rapidjson::kTrueType:
        return Byte(0xC3);
      case rapidjson::kNumberType:
        return Number(value);
      case rapidjson::kStringType:
        Header(0xA0, 31, 0xD9, 0xDA, 0xDB, value.GetStringLength());
        out_.append(value.GetString(), value.GetStringLength());
        return;
      case rapidjson::kArrayType:
        Header(0x90, 15, 0, 0xDC, 0xDD, value.Size());
        for (const auto& element : value.GetArray()) Write(element);
        return;
      case rapidjson::kObjectType:
        Header(0x80, 15, 0, 0xDE, 0xDF, value.MemberCount());
        for (const auto& member : value.GetObject()) {
          Write(member.name);
          Write(member.value);
        }
        return;
    }
  }
  std::string Take() { return std::move(out_); }

 private:
  void Byte(uint8_t byte) { out_.push_back(static_cast<char>(byte)); }
  void BigEndian(uint64_t value, int bytes) {
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) Byte(static_cast<uint8_t>(value >> shift));
  }
  // A fix form up to `fix_limit`, else the 8-bit (when the family has one),
  // 16-bit or 32-bit count.
  void Header(uint8_t fix, uint32_t fix_limit, uint8_t count8, uint8_t count16, uint8_t count32,
              uint32_t count) {
    if (count <= fix_limit) return Byte(static_cast<uint8_t>(fix | count));
    if (count8 != 0 && count <= 0xFF) {
      Byte(count8);
      return BigEndian(count, 1);
    }
    if (count <= 0xFFFF) {
      Byte(count16);
      return BigEndian(count, 2);
    }
    Byte(count32);
    BigEndian(count, 4);
  }
  void Number(const rapidjson::Value& value) {
    if (value.IsUint64()) {
      const uint64_t number = value.GetUint64();
      if (number <= 0x7F) return Byte(static_cast<uint8_t>(number));
      Byte(0xCF);
      return BigEndian(number, 8);
    }
    if (value.IsInt64()) {
      const int64_t number = value.GetInt64();
      if (number >= -32) return Byte(static_cast<uint8_t>(number));
      Byte(0xD3);
      return BigEndian(static_cast<uint64_t>(number), 8);
    }
    const double number = value.GetDouble();
    uint64_t bits = 0;
    std::memcpy(&bits, &number, sizeof bits);
    Byte(0xCB);
    BigEndian(bits, 8);
  }

  std::string out_;
};

// Deeper than this, values are written in flow style (their JSON text, which
// YAML reads too): block indentation would grow with the square of the depth.
constexpr size_t kMaxBlockIndent = 200;

void WriteYaml(const rapidjson::Value& value, size_t indent, std::string& out) {
  const auto is_open_container = [indent](const rapidjson::Value& v) {
    if (indent >= kMaxBlockIndent) return false;
    return (v.IsObject() && v.MemberCount() > 0) || (v.IsArray() && !v.Empty());
  };
  const auto child = [&](const rapidjson::Value& v) {
    if (is_open_container(v)) {
      out += "\n";
      WriteYaml(v, indent + 2, out);
    } else {
      out += " " + JsonOf(v) + "\n";
    }
  };
  if (value.IsObject() && value.MemberCount() > 0) {
    for (const auto& member : value.GetObject()) {
      out.append(indent, ' ');
      out += JsonOf(member.name) + ":";
      child(member.value);
    }
    return;
  }
  if (value.IsArray() && !value.Empty()) {
    for (const auto& element : value.GetArray()) {
      out.append(indent, ' ');
      out += "-";
      child(element);
    }
    return;
  }
  out += JsonOf(value) + "\n";
}

}  // namespace

std::string Unescape(std::string_view text) {
  std::string bytes;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      bytes.push_back(text[i]);
      continue;
    }
    const char next = text[i + 1];
    if (next == 'n' || next == 'r' || next == 't' || next == '\\') {
      bytes.push_back(next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : '\\');
      ++i;
    } else if (next == 'x' && i + 3 < text.size() && HexDigit(text[i + 2]) >= 0 &&
               HexDigit(text[i + 3]) >= 0) {
      bytes.push_back(static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3])));
      i += 3;
    } else {
      bytes.push_back(text[i]);
    }
  }
  return bytes;
}

std::string ToMessagePack(const rapidjson::Value& value) {
  MessagePackWriter writer;
  writer.Write(value);
  return writer.Take();
}

std::string ToYaml(const rapidjson::Value& value) {
  std::string out = "---\n";
  WriteYaml(value, 0, out);
  return out;
}

std::string EncodeBody(std::string_view spec) {
  if (spec.rfind("@hex ", 0) == 0) return HexBytes(spec.substr(5));
  std::string_view operators = spec;
  size_t start = 0;
  while (start < spec.size() && spec[start] == '%') {
    const size_t space = spec.find(' ', start);
    start = space == std::string_view::npos ? spec.size() : space + 1;
  }
  operators = spec.substr(0, start);
  std::string_view rest = spec.substr(start);
  std::string format;
  if (!rest.empty() && rest.front() == '@') {
    const size_t space = rest.find(' ');
    format = std::string(rest.substr(1, space == std::string_view::npos ? space : space - 1));
    rest = space == std::string_view::npos ? "" : rest.substr(space + 1);
  }
  if (format.empty() && operators.empty()) return Unescape(rest);
  const rapidjson::Document value = ShapePayload(std::string(operators) + std::string(rest));
  if (format == "msgpack") return ToMessagePack(value);
  if (format == "yaml") return ToYaml(value);
  return JsonOf(value);
}

}  // namespace tav::fuzzing
