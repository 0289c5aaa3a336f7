#include "binding/json_writer.h"

#include <cmath>
#include <cstring>

#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "binding/binding_type_registry.h"
#include "binding/json_internal.h"

namespace tav {
namespace {

// RapidJSON's default buffer and allocator on purpose: its vectorised scan
// for strings that need no escaping exists only for Writer<StringBuffer>,
// and strings are most of what the plugin writes. The working buffer is
// therefore not on the counting heap; the text returned is.
using JsonBuffer = rapidjson::StringBuffer;
using CompactWriter = rapidjson::Writer<JsonBuffer>;
using PrettyWriter = rapidjson::PrettyWriter<JsonBuffer>;

// The same writer over another buffer type, which takes RapidJSON's plain
// byte-by-byte escaping (see HasVectorScanBlindSpot).
using PlainBuffer = rapidjson::GenericStringBuffer<rapidjson::UTF8<>, json_internal::HeapJsonAllocator>;
using PlainWriter = rapidjson::Writer<PlainBuffer, rapidjson::UTF8<>, rapidjson::UTF8<>,
                                      json_internal::HeapJsonAllocator>;

// Walks the tree depth-first and drives one RapidJSON writer. The compact
// and the pretty output differ only in the writer type.
template <typename Writer>
class TreeWriter {
 public:
  TreeWriter(Writer& writer, const BindingTypeRegistry* registry)
      : writer_(writer), registry_(registry) {}

  void Write(const BindingProperty& value) {
    switch (value.kind()) {
      case BindingPropertyKind::kEmpty:
        writer_.Null();
        return;
      case BindingPropertyKind::kBool:
        writer_.Bool(value.AsBool());
        return;
      case BindingPropertyKind::kSigned:
        writer_.Int64(value.AsInt64());
        return;
      case BindingPropertyKind::kUnsigned:
        writer_.Uint64(value.AsUint64());
        return;
      case BindingPropertyKind::kFloat:
        WriteFloat(value.AsDouble());
        return;
      case BindingPropertyKind::kString:
        WriteString(value.AsString());
        return;
      case BindingPropertyKind::kBlob:
        WriteString(value.ToText());
        return;
      case BindingPropertyKind::kEnum:
        WriteEnum(value.AsEnum());
        return;
      case BindingPropertyKind::kCollection:
        WriteCollection(value);
        return;
      case BindingPropertyKind::kStructure:
        WriteStructure(value);
        return;
    }
    writer_.Null();  // a kind outside the enum: keep the output valid JSON
  }

 private:
  void WriteFloat(double number) {
    // The writer refuses NaN and the infinities and would leave a hole in
    // the output; null keeps the text valid JSON.
    if (!std::isfinite(number)) {
      writer_.Null();
      return;
    }
    writer_.Double(number);
  }

  void WriteString(std::string_view text) {
    if (json_internal::HasVectorScanBlindSpot(text)) return WritePlainEscaped(text);
    writer_.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
  }

  void WriteKey(std::string_view key) {
    if (json_internal::HasVectorScanBlindSpot(key)) return WritePlainEscaped(key);
    writer_.Key(key.data(), static_cast<rapidjson::SizeType>(key.size()));
  }

  // Escapes `text` on the plain path and hands the quoted result to the
  // writer as a raw string, in key or value position alike.
  void WritePlainEscaped(std::string_view text) {
    PlainBuffer quoted;
    PlainWriter(quoted).String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
    writer_.RawValue(quoted.GetString(), quoted.GetSize(), rapidjson::kStringType);
  }

  void WriteEnum(BindingEnumValue value) {
    const char* name =
        registry_ != nullptr ? registry_->FindEnumValueName(value.type_key, value.value) : nullptr;
    if (name != nullptr) {
      writer_.String(name);
      return;
    }
    writer_.Int64(value.value);
  }

  void WriteCollection(const BindingProperty& value) {
    writer_.StartArray();
    for (const BindingProperty& element : value.Elements()) Write(element);
    writer_.EndArray();
  }

  void WriteStructure(const BindingProperty& value) {
    writer_.StartObject();
    for (const BindingStructEntry& field : value.Fields()) {
      WriteKey(field.key());
      Write(field.value);
    }
    writer_.EndObject();
  }

  Writer& writer_;
  const BindingTypeRegistry* registry_;
};

std::string ReplaceLineBreaks(const char* text, size_t size, std::string_view newline) {
  std::string out;
  out.reserve(size + size / 8);
  const char* end = text + size;
  for (const char* p = text; p != end;) {
    const char* line_end = static_cast<const char*>(std::memchr(p, '\n', end - p));
    if (line_end == nullptr) {
      out.append(p, end);
      break;
    }
    out.append(p, line_end);
    out.append(newline);
    p = line_end + 1;
  }
  return out;
}

}  // namespace

std::string WriteJson(const BindingProperty& value, const BindingTypeRegistry* registry,
                      std::string_view newline) {
  // One working buffer per thread, kept between calls: a large document
  // then costs no regrowth of the buffer, only the copy into the result.
  // Buffers that grew past kKeptCapacity are given back.
  constexpr size_t kKeptCapacity = size_t{4} << 20;
  thread_local JsonBuffer buffer;
  buffer.Clear();
  std::string text;
  if (newline.empty()) {
    CompactWriter writer(buffer);
    TreeWriter<CompactWriter>(writer, registry).Write(value);
    text.assign(buffer.GetString(), buffer.GetSize());
  } else {
    PrettyWriter writer(buffer);
    writer.SetIndent(' ', 4);
    TreeWriter<PrettyWriter>(writer, registry).Write(value);
    // Strings are escaped, so every raw line break is one the writer made.
    if (newline == "\n") {
      text.assign(buffer.GetString(), buffer.GetSize());
    } else {
      text = ReplaceLineBreaks(buffer.GetString(), buffer.GetSize(), newline);
    }
  }
  if (buffer.GetSize() > kKeptCapacity) buffer = JsonBuffer();
  return text;
}

}  // namespace tav
