#include "log/positional_format.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

namespace tav {
namespace {

// A placeholder's printf directive ("%" up to the conversion character) may
// not grow to this many characters.
constexpr size_t kMaxDirectiveLength = 60;

// Widths and precisions are clamped to this bound before printing. Anything
// wider than the output buffer prints the same visible bytes, and the bound
// keeps every value far from the int range that printf counts in.
constexpr int64_t kMaxFieldExtent = 1 << 20;

constexpr size_t kMessageBufferSize = 4096;

// How one argument type is printed.
struct ArgEntry {
  const char* conversions;  // conversion characters accepted
  char default_conversion;
  const char* length;   // length modifier of a bare placeholder
  bool can_be_extent;   // may serve as a width or precision
};

const ArgEntry& EntryFor(FormatArg::Type type) {
  static constexpr ArgEntry kText{"s", 's', "", false};
  static constexpr ArgEntry kInt32{"dciouxX", 'd', "", true};
  static constexpr ArgEntry kUint32{"ucdioxX", 'u', "", true};
  static constexpr ArgEntry kInt64{"dciouxX", 'd', "ll", true};
  static constexpr ArgEntry kUint64{"ucdioxX", 'u', "ll", true};
  static constexpr ArgEntry kChar{"cdiouxX", 'c', "", true};
  static constexpr ArgEntry kDouble{"gaefGAEF", 'g', "", false};
  switch (type) {
    case FormatArg::Type::kText:
      return kText;
    case FormatArg::Type::kInt32:
      return kInt32;
    case FormatArg::Type::kUint32:
      return kUint32;
    case FormatArg::Type::kInt64:
      return kInt64;
    case FormatArg::Type::kUint64:
      return kUint64;
    case FormatArg::Type::kChar:
      return kChar;
    case FormatArg::Type::kDouble:
      return kDouble;
  }
  return kText;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A NUL inside the format is an ordinary character, never a member of a set.
bool IsOneOf(const char* set, char c) { return c != '\0' && std::strchr(set, c) != nullptr; }

int64_t ClampExtent(int64_t value) {
  return std::clamp<int64_t>(value, -kMaxFieldExtent, kMaxFieldExtent);
}

// The value of an integer argument used as a width or precision.
int64_t ExtentValue(const FormatArg& arg) {
  if (arg.type() == FormatArg::Type::kUint64) {
    return ClampExtent(static_cast<int64_t>(std::min<uint64_t>(arg.u64(), kMaxFieldExtent)));
  }
  return ClampExtent(arg.i64());
}

// The caller's buffer, always leaving one byte for the NUL.
class Output {
 public:
  Output(char* out, size_t size) : out_(out), size_(size) {}

  bool Full() const { return pos_ + 1 >= size_; }
  size_t Room() const { return Full() ? 0 : size_ - 1 - pos_; }

  void Put(char c) {
    if (!Full()) out_[pos_++] = c;
  }

  void Append(const char* data, size_t length) {
    length = std::min(length, Room());
    if (length == 0) return;
    std::memcpy(out_ + pos_, data, length);
    pos_ += length;
  }

  void Fill(char c, size_t count) {
    count = std::min(count, Room());
    std::memset(out_ + pos_, c, count);
    pos_ += count;
  }

  // Prints with `format`, which starts with "%*.*" so that width and
  // precision always travel as ints ahead of the value.
  template <typename T>
  void Print(const char* format, int width, int precision, T value) {
    if (Full()) return;
    const size_t room = Room();
    const int printed = std::snprintf(out_ + pos_, room + 1, format, width, precision, value);
    if (printed > 0) pos_ += std::min(static_cast<size_t>(printed), room);
  }

  size_t Finish() {
    if (size_ == 0) return 0;
    out_[pos_] = '\0';
    return pos_;
  }

 private:
  char* out_;
  size_t size_;
  size_t pos_ = 0;
};

// One placeholder, once read.
struct Placeholder {
  const FormatArg* arg = nullptr;
  bool bare = false;
  char flags[kMaxDirectiveLength] = {};
  size_t flag_count = 0;
  int64_t width = 0;       // 0 prints no padding
  int64_t precision = -1;  // negative means none
  char length[3] = {};     // the length modifier as written
  char conversion = 0;
};

class Formatter {
 public:
  Formatter(std::string_view format, const FormatArg* args, size_t arg_count, Output& out)
      : format_(format), args_(args), arg_count_(arg_count), out_(out) {}

  void Run() {
    while (pos_ < format_.size() && !out_.Full()) {
      const char c = format_[pos_];
      if (c != '%') {
        out_.Put(c);
        ++pos_;
        continue;
      }
      if (pos_ + 1 < format_.size() && format_[pos_ + 1] == '%') {
        out_.Put('%');
        pos_ += 2;
        continue;
      }
      ++pos_;
      Placeholder placeholder;
      if (!ReadPlaceholder(placeholder)) return;
      Print(placeholder);
    }
  }

 private:
  bool AtEnd() const { return pos_ >= format_.size(); }
  char Peek() const { return AtEnd() ? '\0' : format_[pos_]; }

  // Counts one more character of the directive being read; false once
  // it has grown too long.
  bool Grow(size_t count = 1) {
    directive_length_ += count;
    return directive_length_ < kMaxDirectiveLength;
  }

  // Reads the decimal number at `at`, saturating; returns where it ends.
  size_t ReadNumber(size_t at, uint64_t& value) const {
    value = 0;
    while (at < format_.size() && IsDigit(format_[at])) {
      value = std::min<uint64_t>(value * 10 + static_cast<uint64_t>(format_[at] - '0'), UINT32_MAX);
      ++at;
    }
    return at;
  }

  const FormatArg* ArgumentAt(uint64_t number) const {
    if (number == 0 || number > arg_count_) return nullptr;
    return &args_[number - 1];
  }

  const FormatArg* NextInSequence() { return ArgumentAt(next_in_sequence_++); }

  // Reads everything after the '%'. False stops formatting.
  bool ReadPlaceholder(Placeholder& placeholder) {
    directive_length_ = 1;
    bool numbered = false;
    if (Peek() >= '1' && Peek() <= '9') {
      uint64_t number = 0;
      const size_t end = ReadNumber(pos_, number);
      if (number <= arg_count_) {
        placeholder.arg = ArgumentAt(number);
        if (end >= format_.size() || format_[end] != '$') {
          pos_ = end;
          placeholder.bare = true;
          return true;
        }
        pos_ = end + 1;
        numbered = true;
      }
      // Otherwise the digits are read again below, as a width.
    }
    if (!ReadDirective(placeholder)) return false;
    if (!numbered) placeholder.arg = NextInSequence();
    return placeholder.arg != nullptr;
  }

  bool ReadDirective(Placeholder& placeholder) {
    while (IsOneOf("-+ #0", Peek())) {
      placeholder.flags[placeholder.flag_count++] = format_[pos_++];
      if (!Grow()) return false;
    }
    if (!ReadExtent(placeholder.width)) return false;
    if (Peek() == '.') {
      ++pos_;
      if (!Grow()) return false;
      placeholder.precision = 0;
      if (!ReadExtent(placeholder.precision)) return false;
    }
    if (!ReadLength(placeholder)) return false;
    // The format ended inside the placeholder: there is nothing to print it
    // with, so formatting stops.
    if (AtEnd()) return false;
    placeholder.conversion = format_[pos_++];
    return Grow();
  }

  // A width or precision: digits, "*" (next argument in sequence) or "*N$".
  bool ReadExtent(int64_t& extent) {
    if (IsDigit(Peek())) {
      uint64_t number = 0;
      const size_t end = ReadNumber(pos_, number);
      if (!Grow(end - pos_)) return false;
      pos_ = end;
      extent = ClampExtent(static_cast<int64_t>(number));
      return true;
    }
    if (Peek() != '*') return true;
    ++pos_;
    if (!Grow()) return false;
    const FormatArg* source = nullptr;
    uint64_t number = 0;
    const size_t end = ReadNumber(pos_, number);
    if (end > pos_ && end < format_.size() && format_[end] == '$') {
      if (!Grow(end + 1 - pos_)) return false;
      pos_ = end + 1;
      source = ArgumentAt(number);
    } else {
      source = NextInSequence();
    }
    if (source == nullptr || !EntryFor(source->type()).can_be_extent) return false;
    extent = ExtentValue(*source);
    return true;
  }

  bool ReadLength(Placeholder& placeholder) {
    const char c = Peek();
    if (!IsOneOf("Ljtzhl", c)) return true;
    size_t count = 1;
    if ((c == 'h' || c == 'l') && pos_ + 1 < format_.size() && format_[pos_ + 1] == c) count = 2;
    std::memcpy(placeholder.length, format_.data() + pos_, count);
    pos_ += count;
    return Grow(count);
  }

  void Print(const Placeholder& placeholder) {
    const FormatArg& arg = *placeholder.arg;
    const ArgEntry& entry = EntryFor(arg.type());
    if (!placeholder.bare && placeholder.conversion == 'n') return;
    char conversion = entry.default_conversion;
    if (!placeholder.bare && IsOneOf(entry.conversions, placeholder.conversion)) {
      conversion = placeholder.conversion;
    }
    if (arg.type() == FormatArg::Type::kText) {
      PrintText(placeholder, arg.text());
      return;
    }
    PrintNumber(placeholder, arg, entry, conversion);
  }

  // Texts are copied by hand: they need not end with a NUL, may hold NULs,
  // and are printed as texts whatever the conversion says.
  void PrintText(const Placeholder& placeholder, std::string_view text) {
    size_t length = text.size();
    if (placeholder.precision >= 0) {
      length = std::min(length, static_cast<size_t>(placeholder.precision));
    }
    bool left = std::memchr(placeholder.flags, '-', placeholder.flag_count) != nullptr;
    int64_t width = placeholder.width;
    if (width < 0) {
      left = true;
      width = -width;
    }
    const size_t padding =
        static_cast<size_t>(width) > length ? static_cast<size_t>(width) - length : 0;
    if (!left) out_.Fill(' ', padding);
    out_.Append(text.data(), length);
    if (left) out_.Fill(' ', padding);
  }

  void PrintNumber(const Placeholder& placeholder, const FormatArg& arg, const ArgEntry& entry,
                   char conversion) {
    // The printf format: '%', the flags, "*.*", a length modifier that
    // matches what is passed below, the conversion.
    char format[kMaxDirectiveLength + 8];
    size_t at = 0;
    format[at++] = '%';
    std::memcpy(format + at, placeholder.flags, placeholder.flag_count);
    at += placeholder.flag_count;
    format[at++] = '*';
    format[at++] = '.';
    format[at++] = '*';

    const bool is_64 =
        arg.type() == FormatArg::Type::kInt64 || arg.type() == FormatArg::Type::kUint64;
    const bool is_double = arg.type() == FormatArg::Type::kDouble;
    // A written "h" or "hh" narrows an integer as printf does; every other
    // written modifier is dropped, because it would make printf read a
    // different type from the one passed. A 64-bit value keeps "ll" so the
    // whole value is printed.
    const bool narrow = !placeholder.bare && !is_double && conversion != 'c' &&
                        placeholder.length[0] == 'h';
    const char* length = "";
    if (placeholder.bare) {
      length = entry.length;
    } else if (narrow) {
      length = placeholder.length;
    } else if (is_64 && conversion != 'c') {
      length = "ll";
    }
    const size_t length_size = std::strlen(length);
    std::memcpy(format + at, length, length_size);
    at += length_size;
    format[at++] = conversion;
    format[at] = '\0';

    const int width = static_cast<int>(placeholder.width);
    const int precision = static_cast<int>(placeholder.precision);
    switch (arg.type()) {
      case FormatArg::Type::kDouble:
        out_.Print(format, width, precision, arg.f64());
        return;
      case FormatArg::Type::kUint32:
        out_.Print(format, width, precision, static_cast<unsigned>(arg.u64()));
        return;
      case FormatArg::Type::kInt32:
      case FormatArg::Type::kChar:
        out_.Print(format, width, precision, static_cast<int>(arg.i64()));
        return;
      case FormatArg::Type::kInt64:
      case FormatArg::Type::kUint64:
        if (length_size != 2 || length[0] != 'l') {
          out_.Print(format, width, precision, static_cast<int>(arg.i64()));
        } else if (arg.type() == FormatArg::Type::kInt64) {
          out_.Print(format, width, precision, static_cast<long long>(arg.i64()));
        } else {
          out_.Print(format, width, precision, static_cast<unsigned long long>(arg.u64()));
        }
        return;
      case FormatArg::Type::kText:
        return;
    }
  }

  std::string_view format_;
  const FormatArg* args_;
  size_t arg_count_;
  Output& out_;
  size_t pos_ = 0;
  size_t directive_length_ = 0;
  uint64_t next_in_sequence_ = 1;
};

}  // namespace

size_t FormatPositional(char* out, size_t size, std::string_view format, const FormatArg* args,
                        size_t arg_count) {
  if (out == nullptr || size == 0) return 0;
  Output output(out, size);
  Formatter(format, args, arg_count, output).Run();
  return output.Finish();
}

std::string FormatMessageArgs(std::string_view format, const FormatArg* args, size_t arg_count) {
  char buffer[kMessageBufferSize];
  const size_t length = FormatPositional(buffer, sizeof buffer, format, args, arg_count);
  return std::string(buffer, length);
}

}  // namespace tav
