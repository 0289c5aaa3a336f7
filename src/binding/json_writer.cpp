#include "binding/json_writer.h"

#include <cmath>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "binding/binding_type_registry.h"

namespace tav {
namespace {

// RapidJSON's writers over its default buffer; strings take a path of our
// own (see WriteEscaped). The working buffer is not on the counting heap;
// the text returned is.
using JsonBuffer = rapidjson::StringBuffer;

// Writes `text` as a quoted JSON string escaped the way RapidJSON escapes
// it: '"', '\\' and the control bytes, as \b \t \n \f \r or \u00XX; every
// other byte as it is. RapidJSON's own vector scan lets bytes 0x1A to 0x1F
// through unescaped inside the blocks it checks; this one does not.
void WriteEscaped(JsonBuffer& out, std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  const size_t reserved = 2 + text.size() * 6;
  char* const start = out.Push(reserved);
  char* p = start;
  *p++ = '"';
  const char* s = text.data();
  const char* const end = s + text.size();
  for (;;) {
#ifdef __SSE2__
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i last_control = _mm_set1_epi8(0x1F);
    while (end - s >= 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
      // Stored whole: the room reserved covers every byte escaped.
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p), bytes);
      const __m128i control = _mm_cmpeq_epi8(_mm_max_epu8(bytes, last_control), last_control);
      const __m128i special = _mm_or_si128(
          _mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, backslash)), control);
      const int mask = _mm_movemask_epi8(special);
      if (mask != 0) {
        const int plain = __builtin_ctz(static_cast<unsigned>(mask));
        s += plain;
        p += plain;
        break;
      }
      s += 16;
      p += 16;
    }
#endif
    while (s != end) {
      const unsigned char c = static_cast<unsigned char>(*s);
      if (c == '"' || c == '\\' || c < 0x20) break;
      *p++ = *s++;
    }
    if (s == end) break;
    const unsigned char c = static_cast<unsigned char>(*s++);
    *p++ = '\\';
    switch (c) {
      case '"':
      case '\\':
        *p++ = static_cast<char>(c);
        break;
      case '\b':
        *p++ = 'b';
        break;
      case '\t':
        *p++ = 't';
        break;
      case '\n':
        *p++ = 'n';
        break;
      case '\f':
        *p++ = 'f';
        break;
      case '\r':
        *p++ = 'r';
        break;
      default:
        *p++ = 'u';
        *p++ = '0';
        *p++ = '0';
        *p++ = kHex[c >> 4];
        *p++ = kHex[c & 0xF];
        break;
    }
  }
  *p++ = '"';
  out.Pop(reserved - static_cast<size_t>(p - start));
}

// A RapidJSON writer whose strings and keys go through WriteEscaped, with
// the writer's own separators and indentation around them.
template <typename Base, bool kPretty>
class EscapingWriter : public Base {
 public:
  explicit EscapingWriter(JsonBuffer& buffer) : Base(buffer) {}

  void EscapedString(std::string_view text) {
    if constexpr (kPretty) {
      this->PrettyPrefix(rapidjson::kStringType);
    } else {
      this->Prefix(rapidjson::kStringType);
    }
    WriteEscaped(*this->os_, text);
    this->EndValue(true);
  }
};

using CompactWriter = EscapingWriter<rapidjson::Writer<JsonBuffer>, false>;
using PrettyWriter = EscapingWriter<rapidjson::PrettyWriter<JsonBuffer>, true>;

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

  void WriteString(std::string_view text) { writer_.EscapedString(text); }

  void WriteEnum(BindingEnumValue value) {
    const char* name =
        registry_ != nullptr ? registry_->FindEnumValueName(value.type_key, value.value) : nullptr;
    if (name != nullptr) {
      WriteString(name);
      return;
    }
    writer_.Int64(value.value);
  }

  // Each child's storage is asked for while its elder sibling is written:
  // the blocks of a tree lie apart, and waiting for each in turn is most
  // of the time a large tree takes to write.
  void WriteCollection(const BindingProperty& value) {
    writer_.StartArray();
    const BindingProperty::ElementRange elements = value.Elements();
    for (const BindingProperty* element = elements.begin(); element != elements.end();
         ++element) {
      if (element + 1 != elements.end()) element[1].PrefetchStorage();
      Write(*element);
    }
    writer_.EndArray();
  }

  void WriteStructure(const BindingProperty& value) {
    writer_.StartObject();
    const BindingProperty::FieldRange fields = value.Fields();
    for (auto field = fields.begin(); field != fields.end();) {
      const BindingStructEntry& current = *field;
      ++field;
      if (field != fields.end()) field->value.PrefetchStorage();
      WriteString(current.key());
      Write(current.value);
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
