#include "binding/yaml_fast_reader.h"

#include <cstddef>
#include <string>

#include "binding/stack_tree_builder.h"
#include "binding/yaml_scalar.h"

namespace tav {
namespace {

// libyaml refuses simple keys past 1024 characters; long keys are left to it.
constexpr size_t kLongestKey = 1000;

bool IsPrintable(char c) { return static_cast<unsigned char>(c - 0x20) < 0x5F; }

// The length of the character of two or three bytes at `r` when it is
// valid UTF-8 from U+00A0 to U+07FF, U+1000 to U+1FFF or U+3000 to U+CFFF:
// none of those is a control, a line break or a byte order mark to libyaml.
// 0 for any other byte past ASCII.
size_t WideLength(const char* r, const char* end) {
  const auto byte = [&](size_t i) -> unsigned {
    return r + i < end ? static_cast<unsigned char>(r[i]) : 0;
  };
  const auto continues = [&](size_t i) { return (byte(i) & 0xC0) == 0x80; };
  const unsigned lead = byte(0);
  if (lead == 0xC2) return byte(1) >= 0xA0 && byte(1) <= 0xBF ? 2 : 0;
  if (lead >= 0xC3 && lead <= 0xDF) return continues(1) ? 2 : 0;
  if (lead == 0xE1 || (lead >= 0xE3 && lead <= 0xEC)) return continues(1) && continues(2) ? 3 : 0;
  return 0;
}

bool IsWordByte(char c) {
  return static_cast<unsigned char>((c | 0x20) - 'a') < 26 ||
         static_cast<unsigned char>(c - '0') < 10 || c == '_';
}

bool IsKeyByte(char c) { return IsWordByte(c) || c == '-' || c == '.' || c == '/'; }

// Bytes that give a scalar another meaning when they start it.
bool IsIndicator(char c) {
  switch (c) {
    case '-': case '?': case ':': case ',': case '[': case ']': case '{': case '}':
    case '#': case '&': case '*': case '!': case '|': case '>': case '\'': case '"':
    case '%': case '@': case '`': case ' ':
      return true;
    default:
      return false;
  }
}

class FastYamlReader {
 public:
  explicit FastYamlReader(std::string_view text)
      : p_(text.data()), end_(text.data() + text.size()) {}

  bool Read(BindingProperty& target) {
    const char* content;
    size_t indent;
    if (!NextLine(content, indent) || indent != 0) return false;
    if (!ReadCollection(content, 0) || p_ != end_) return false;
    builder_.Finish(target);
    return true;
  }

 private:
  // Moves p_ past blank lines to the start of the next line with content:
  // `content` is its first byte past the indentation, `indent` the number
  // of spaces before it. False, with p_ at the end, when none is left.
  bool NextLine(const char*& content, size_t& indent) {
    for (;;) {
      const char* q = p_;
      while (q != end_ && *q == ' ') ++q;
      if (q == end_) {
        p_ = end_;
        return false;
      }
      if (*q != '\n') {
        content = q;
        indent = static_cast<size_t>(q - p_);
        return true;
      }
      p_ = q + 1;
    }
  }

  const char* SkipSpaces(const char* q) const {
    while (q != end_ && *q == ' ') ++q;
    return q;
  }

  bool IsEntryStart(const char* q) const {
    return *q == '-' && (q + 1 == end_ || q[1] == ' ' || q[1] == '\n');
  }

  // The colon after the simple key that starts at `q`, or null.
  const char* KeyEnd(const char* q) const {
    if (!IsWordByte(*q)) return nullptr;
    const char* r = q + 1;
    while (r != end_ && IsKeyByte(*r)) ++r;
    if (r == end_ || *r != ':' || static_cast<size_t>(r - q) > kLongestKey) return nullptr;
    if (r + 1 != end_ && r[1] != ' ' && r[1] != '\n') return nullptr;
    return r;
  }

  // A block sequence or mapping whose first entry starts at `q`, in
  // `column`. Each Read* below leaves p_ at the start of the line after
  // what it read.
  bool ReadCollection(const char* q, size_t column) {
    return IsEntryStart(q) ? ReadSequence(q, column) : ReadMapping(q, column);
  }

  bool ReadMapping(const char* q, size_t column) {
    if (!builder_.BeginObject()) return false;
    for (;;) {
      const char* colon = KeyEnd(q);
      if (colon == nullptr) return false;
      builder_.Key(std::string_view(q, static_cast<size_t>(colon - q)));
      const char* value = SkipSpaces(colon + 1);
      if (value != end_ && *value != '\n') {
        if (!ReadInline(value, column)) return false;
      } else {
        p_ = value == end_ ? value : value + 1;
        if (!ReadValueBelow(column)) return false;
      }
      size_t indent;
      if (!NextLine(q, indent) || indent < column) break;
      if (indent != column) return false;
    }
    return builder_.EndObject();
  }

  // The value of a key that ends its line: a collection indented further,
  // or else an empty value.
  bool ReadValueBelow(size_t column) {
    const char* content;
    size_t indent;
    if (!NextLine(content, indent) || indent <= column) {
      AddPlainYamlScalar({}, builder_);
      return true;
    }
    return ReadCollection(content, indent);
  }

  bool ReadSequence(const char* q, size_t column) {
    if (!builder_.BeginArray()) return false;
    for (;;) {
      const char* item = SkipSpaces(q + 1);
      if (item == end_ || *item == '\n' || IsEntryStart(item)) return false;
      if (KeyEnd(item) != nullptr) {
        if (!ReadMapping(item, column + static_cast<size_t>(item - q))) return false;
      } else if (!ReadInline(item, column)) {
        return false;
      }
      size_t indent;
      if (!NextLine(q, indent) || indent < column) break;
      if (indent != column || !IsEntryStart(q)) return false;
    }
    builder_.EndArray();
    return true;
  }

  // A value that starts on the line at `r`, in a collection at `column`.
  bool ReadInline(const char* r, size_t column) {
    switch (*r) {
      case '"':
        return FinishLine(ReadDoubleQuoted(r));
      case '\'':
        return FinishLine(ReadSingleQuoted(r));
      case '[':
        return FinishLine(ReadFlowSequence(r));
      case '{':
        return FinishLine(ReadEmptyMapping(r));
      case '|':
      case '>':
        return ReadBlockScalar(r, column);
      default:
        return FinishLine(ReadPlain(r));
    }
  }

  // Only blanks may follow a value on its line.
  bool FinishLine(const char* r) {
    if (r == nullptr) return false;
    r = SkipSpaces(r);
    if (r != end_) {
      if (*r != '\n') return false;
      ++r;
    }
    p_ = r;
    return true;
  }

  // A plain scalar to the end of its line, trailing spaces dropped. Gives up
  // where libyaml would end it early (": ", " #") or go on to the next line
  // (which the collection notices by its indentation).
  const char* ReadPlain(const char* r) {
    const char* start = r;
    if (*r == '-') {
      if (r + 1 == end_ || r[1] == ' ' || r[1] == '\n') return nullptr;
    } else if (IsIndicator(*r)) {
      return nullptr;
    }
    const char* last = r;
    for (; r != end_ && *r != '\n'; ++r) {
      const char c = *r;
      if (c == ' ') {
        if (r + 1 != end_ && r[1] == '#') return nullptr;
        continue;
      }
      if (!IsPrintable(c)) {
        const size_t wide = WideLength(r, end_);
        if (wide == 0) return nullptr;
        r += wide - 1;
      } else if (c == ':' && (r + 1 == end_ || r[1] == ' ' || r[1] == '\n')) {
        return nullptr;
      }
      last = r + 1;
    }
    AddPlainYamlScalar(std::string_view(start, static_cast<size_t>(last - start)), builder_);
    return r;
  }

  // A plain scalar inside a flow sequence: a word, maybe signed or with
  // points (numbers, names).
  const char* ReadFlowPlain(const char* r) {
    const char* start = r;
    if (*r == '-' || *r == '+' || *r == '.') ++r;
    if (r == end_ || !IsWordByte(*r)) return nullptr;
    while (r != end_ && (IsWordByte(*r) || *r == '.' || *r == '-' || *r == '+')) ++r;
    AddPlainYamlScalar(std::string_view(start, static_cast<size_t>(r - start)), builder_);
    return r;
  }

  // Quoted scalars on one line; their text is a string whatever it reads.
  const char* ReadDoubleQuoted(const char* r) {
    const char* start = ++r;
    bool escaped = false;
    for (; r != end_ && *r != '"'; ++r) {
      if (*r == '\\') {
        if (r + 1 == end_ || (r[1] != '"' && r[1] != '\\')) return nullptr;
        escaped = true;
        ++r;
      } else if (!IsPrintable(*r)) {
        const size_t wide = WideLength(r, end_);
        if (wide == 0) return nullptr;
        r += wide - 1;
      }
    }
    if (r == end_) return nullptr;
    std::string_view text(start, static_cast<size_t>(r - start));
    if (escaped) {
      scratch_.clear();
      for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\') ++i;
        scratch_ += text[i];
      }
      text = scratch_;
    }
    builder_.Value().SetString(text);
    return r + 1;
  }

  const char* ReadSingleQuoted(const char* r) {
    const char* start = ++r;
    bool doubled = false;
    for (;; ++r) {
      if (r == end_) return nullptr;
      if (*r == '\'') {
        if (r + 1 == end_ || r[1] != '\'') break;
        doubled = true;
        ++r;
      } else if (!IsPrintable(*r)) {
        const size_t wide = WideLength(r, end_);
        if (wide == 0) return nullptr;
        r += wide - 1;
      }
    }
    std::string_view text(start, static_cast<size_t>(r - start));
    if (doubled) {
      scratch_.clear();
      for (size_t i = 0; i < text.size(); ++i) {
        scratch_ += text[i];
        if (text[i] == '\'') ++i;
      }
      text = scratch_;
    }
    builder_.Value().SetString(text);
    return r + 1;
  }

  const char* ReadFlowSequence(const char* r) {
    if (!builder_.BeginArray()) return nullptr;
    r = SkipSpaces(r + 1);
    if (r != end_ && *r == ']') {
      builder_.EndArray();
      return r + 1;
    }
    for (;;) {
      if (r == end_) return nullptr;
      if (*r == '"') {
        r = ReadDoubleQuoted(r);
      } else if (*r == '\'') {
        r = ReadSingleQuoted(r);
      } else {
        r = ReadFlowPlain(r);
      }
      if (r == nullptr) return nullptr;
      r = SkipSpaces(r);
      if (r == end_) return nullptr;
      if (*r == ']') break;
      if (*r != ',') return nullptr;
      r = SkipSpaces(r + 1);
      if (r != end_ && *r == ']') return nullptr;
    }
    builder_.EndArray();
    return r + 1;
  }

  const char* ReadEmptyMapping(const char* r) {
    if (r + 1 == end_ || r[1] != '}' || !builder_.BeginObject() || !builder_.EndObject()) {
      return nullptr;
    }
    return r + 2;
  }

  // A literal ("|") or folded (">") block scalar, its lines indented as the
  // first one is and further than `column`. Kept: one final line break.
  bool ReadBlockScalar(const char* r, size_t column) {
    const bool literal = *r == '|';
    ++r;
    if (r == end_ || *r != '\n') return false;
    const char* line = r + 1;
    size_t indent = 0;
    while (line + indent != end_ && line[indent] == ' ') ++indent;
    if (indent <= column) return false;
    scratch_.clear();
    for (;;) {
      const char* text = line + indent;
      // A folded line indented further keeps its break; not handled here.
      if (!literal && text != end_ && *text == ' ') return false;
      const char* stop = text;
      bool blank = true;
      for (; stop != end_ && *stop != '\n'; ++stop) {
        if (*stop == ' ') continue;
        blank = false;
        if (!IsPrintable(*stop)) {
          const size_t wide = WideLength(stop, end_);
          if (wide == 0) return false;
          stop += wide - 1;
        }
      }
      if (stop == end_ || blank) return false;
      if (!scratch_.empty()) scratch_ += literal ? '\n' : ' ';
      scratch_.append(text, stop);
      line = stop + 1;
      size_t spaces = 0;
      while (spaces < indent && line + spaces != end_ && line[spaces] == ' ') ++spaces;
      if (spaces < indent) break;
    }
    // A line of blanks reaching the indentation, even after an empty line,
    // still belongs to the scalar.
    for (const char* rest = line; rest != end_;) {
      const char* stop = rest;
      while (stop != end_ && *stop == ' ') ++stop;
      if (stop != end_ && *stop != '\n') break;
      if (static_cast<size_t>(stop - rest) >= indent) return false;
      rest = stop == end_ ? stop : stop + 1;
    }
    scratch_ += '\n';
    AddPlainYamlScalar(scratch_, builder_);
    p_ = line;
    return true;
  }

  const char* p_;
  const char* const end_;
  StackTreeBuilder builder_;
  std::string scratch_;
};

}  // namespace

void AddPlainYamlScalar(std::string_view text, StackTreeBuilder& builder) {
  const PlainYamlScalar scalar = ReadPlainYamlScalar(text);
  if (scalar.kind == BindingPropertyKind::kString) {
    builder.String(text);
  } else {
    builder.ScalarBits(scalar.kind, scalar.bits);
  }
}

bool ReadYamlFast(std::string_view text, BindingProperty& target) {
  return FastYamlReader(text).Read(target);
}

}  // namespace tav
