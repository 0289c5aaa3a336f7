#include "binding/json_fast_reader.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <rapidjson/internal/strtod.h>
#include <rapidjson/reader.h>

#include "binding/json_internal.h"
#include "binding/stack_tree_builder.h"

namespace tav {
namespace {

// Numbers longer than this are left to the careful reader.
constexpr size_t kLongestDelegatedNumber = 64;

bool IsDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

// Takes the one number RapidJSON's reader reports.
struct NumberCatcher : rapidjson::BaseReaderHandler<rapidjson::UTF8<>, NumberCatcher> {
  enum class Kind { kNone, kSigned, kUnsigned, kFloat } kind = Kind::kNone;
  int64_t i64 = 0;
  uint64_t u64 = 0;
  double f64 = 0;

  bool Default() { return false; }
  bool Int(int value) { return Signed(value); }
  bool Int64(int64_t value) { return Signed(value); }
  bool Uint(unsigned value) { return Unsigned(value); }
  bool Uint64(uint64_t value) { return Unsigned(value); }
  bool Double(double value) {
    kind = Kind::kFloat;
    f64 = value;
    return true;
  }
  bool Signed(int64_t value) {
    kind = Kind::kSigned;
    i64 = value;
    return true;
  }
  bool Unsigned(uint64_t value) {
    kind = Kind::kUnsigned;
    u64 = value;
    return true;
  }
};

class FastReader {
 public:
  FastReader(std::string_view text) : p_(text.data()), end_(text.data() + text.size()) {}

  bool Read(BindingProperty& target) {
    SkipBlanks();
    if (p_ == end_ || (*p_ != '{' && *p_ != '[')) return false;
    if (!ReadDocument()) return false;
    SkipBlanks();
    if (p_ != end_) return false;
    builder_.Finish(target);
    return true;
  }

 private:
  char Peek() const { return p_ != end_ ? *p_ : '\0'; }

  bool Consume(char c) {
    if (Peek() != c) return false;
    ++p_;
    return true;
  }

  void SkipBlanks() {
    while (p_ != end_) {
      const char c = *p_;
      if (c != ' ' && c != '\n' && c != '\r' && c != '\t') return;
      ++p_;
    }
  }

  // The value grammar without recursion: the builder's open containers are
  // the parser's stack.
  bool ReadDocument() {
    for (;;) {
      // A value starts here (blanks skipped).
      switch (Peek()) {
        case '{':
          ++p_;
          if (!builder_.BeginObject()) return false;
          SkipBlanks();
          if (Consume('}')) {
            builder_.EndObject();
            break;
          }
          if (!ReadKey()) return false;
          continue;
        case '[':
          ++p_;
          if (!builder_.BeginArray()) return false;
          SkipBlanks();
          if (Consume(']')) {
            builder_.EndArray();
            break;
          }
          continue;
        case '"': {
          std::string_view text;
          if (!ReadString(text)) return false;
          builder_.String(text);
          break;
        }
        case 't':
          if (!ReadWord("true", 4)) return false;
          builder_.Bool(true);
          break;
        case 'f':
          if (!ReadWord("false", 5)) return false;
          builder_.Bool(false);
          break;
        case 'n':
          if (!ReadWord("null", 4)) return false;
          builder_.Null();
          break;
        default:
          if (!ReadNumber()) return false;
          break;
      }
      // After a value: close what ends here, then find the next value.
      for (;;) {
        if (builder_.depth() == 0) return true;
        SkipBlanks();
        const char c = Peek();
        if (c == ',') {
          ++p_;
          SkipBlanks();
          if (builder_.in_object() && !ReadKey()) return false;
          break;
        }
        if (builder_.in_object()) {
          if (c != '}') return false;
          ++p_;
          if (!builder_.EndObject()) return false;
        } else {
          if (c != ']') return false;
          ++p_;
          builder_.EndArray();
        }
      }
    }
  }

  // A key, its colon and the blanks up to its value.
  bool ReadKey() {
    if (Peek() != '"') return false;
    std::string_view name;
    if (!ReadString(name)) return false;
    builder_.Key(name);
    SkipBlanks();
    if (!Consume(':')) return false;
    SkipBlanks();
    return true;
  }

  bool ReadWord(const char* word, size_t length) {
    if (static_cast<size_t>(end_ - p_) < length || std::memcmp(p_, word, length) != 0) return false;
    p_ += length;
    return true;
  }

  // Moves to the first '"', '\\' or control byte at or after p_, or to the
  // end.
  void SkipPlainBytes() {
#ifdef __SSE2__
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i last_control = _mm_set1_epi8(0x1F);
    while (end_ - p_ >= 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p_));
      const __m128i control = _mm_cmpeq_epi8(_mm_max_epu8(bytes, last_control), last_control);
      const __m128i special = _mm_or_si128(
          _mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, backslash)), control);
      const int mask = _mm_movemask_epi8(special);
      if (mask != 0) {
        p_ += __builtin_ctz(static_cast<unsigned>(mask));
        return;
      }
      p_ += 16;
    }
#endif
    while (p_ != end_) {
      const unsigned char c = static_cast<unsigned char>(*p_);
      if (c == '"' || c == '\\' || c < 0x20) return;
      ++p_;
    }
  }

  // The string at p_ (on its opening quote). Without escapes `text` points
  // into the input; with them, into scratch_.
  bool ReadString(std::string_view& text) {
    const char* start = ++p_;
    SkipPlainBytes();
    if (p_ == end_) return false;
    if (*p_ == '"') {
      text = std::string_view(start, static_cast<size_t>(p_ - start));
      ++p_;
      return true;
    }
    scratch_.assign(start, p_);
    for (;;) {
      if (p_ == end_) return false;
      const char c = *p_;
      if (c == '"') {
        ++p_;
        text = scratch_;
        return true;
      }
      if (c != '\\') return false;  // a control byte
      ++p_;
      if (!ReadEscape()) return false;
      start = p_;
      SkipPlainBytes();
      scratch_.append(start, p_);
    }
  }

  bool ReadHex4(unsigned& code) {
    if (end_ - p_ < 4) return false;
    code = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = *p_++;
      code <<= 4;
      if (c >= '0' && c <= '9') {
        code += static_cast<unsigned>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        code += static_cast<unsigned>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        code += static_cast<unsigned>(c - 'A' + 10);
      } else {
        return false;
      }
    }
    return true;
  }

  // The escape after a backslash, appended to scratch_ as RapidJSON
  // decodes it: a high surrogate must be followed by a low one, a lone low
  // surrogate is encoded as it stands.
  bool ReadEscape() {
    switch (Peek()) {
      case '"':
      case '\\':
      case '/':
        scratch_.push_back(*p_++);
        return true;
      case 'b':
        return Escaped('\b');
      case 'f':
        return Escaped('\f');
      case 'n':
        return Escaped('\n');
      case 'r':
        return Escaped('\r');
      case 't':
        return Escaped('\t');
      case 'u':
        break;
      default:
        return false;
    }
    ++p_;
    unsigned code = 0;
    if (!ReadHex4(code)) return false;
    if (code >= 0xD800 && code <= 0xDBFF) {
      unsigned low = 0;
      if (!Consume('\\') || !Consume('u') || !ReadHex4(low)) return false;
      if (low < 0xDC00 || low > 0xDFFF) return false;
      code = (((code - 0xD800) << 10) | (low - 0xDC00)) + 0x10000;
    }
    AppendUtf8(code);
    return true;
  }

  bool Escaped(char c) {
    ++p_;
    scratch_.push_back(c);
    return true;
  }

  void AppendUtf8(unsigned code) {
    if (code <= 0x7F) {
      scratch_.push_back(static_cast<char>(code));
    } else if (code <= 0x7FF) {
      scratch_.push_back(static_cast<char>(0xC0 | (code >> 6)));
      scratch_.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code <= 0xFFFF) {
      scratch_.push_back(static_cast<char>(0xE0 | (code >> 12)));
      scratch_.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      scratch_.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      scratch_.push_back(static_cast<char>(0xF0 | (code >> 18)));
      scratch_.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
      scratch_.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      scratch_.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }

  // Numbers whose whole part has at most 18 digits are read here, by the
  // steps of RapidJSON's reader: whole numbers exactly; others as a
  // significand of the first digits (on 64-bit targets as an integer up to
  // 2^53, then as a double up to 17 significant digits, the rest ignored)
  // scaled by its power of ten with RapidJSON's own routine. Longer whole
  // parts and long negative exponents are handed to RapidJSON's reader; a
  // number past the double range gives up.
  bool ReadNumber() {
    const char* start = p_;
    const bool minus = Consume('-');
    if (!IsDigit(Peek())) return false;
    uint64_t whole = 0;
    int digits = 0;
    if (*p_ == '0') {
      ++p_;
    } else {
      while (p_ != end_ && IsDigit(*p_) && digits < 19) {
        whole = whole * 10 + static_cast<unsigned>(*p_++ - '0');
        ++digits;
      }
    }
    char next = Peek();
    if (IsDigit(next) || digits > 18) return DelegateNumber(start);
    if (next != '.' && next != 'e' && next != 'E') {
      if (minus) {
        builder_.Signed(-static_cast<int64_t>(whole));
      } else {
        builder_.Unsigned(whole);
      }
      return true;
    }
    int significant = digits > 0 ? digits - 1 : 0;
    int fraction_exponent = 0;
    double significand;
    if (next == '.') {
      ++p_;
      if (!IsDigit(Peek())) return false;
      // RapidJSON's reader takes the fraction's first digits into the
      // integer on 64-bit targets only; on 32-bit ones it goes on in the
      // double at once. A number must read the same whichever pass reads
      // the document it is in.
#if RAPIDJSON_64BIT
      constexpr uint64_t kLargestExactInteger = (uint64_t{1} << 53) - 1;
      while (p_ != end_ && IsDigit(*p_) && whole <= kLargestExactInteger) {
        whole = whole * 10 + static_cast<unsigned>(*p_++ - '0');
        --fraction_exponent;
        if (whole != 0) ++significant;
      }
#endif
      significand = static_cast<double>(whole);
      for (; p_ != end_ && IsDigit(*p_); ++p_) {
        if (significant >= 17) continue;
        significand = significand * 10.0 + (*p_ - '0');
        --fraction_exponent;
        if (significand > 0.0) ++significant;
      }
      next = Peek();
    } else {
      significand = static_cast<double>(whole);
    }
    int exponent = 0;
    if (next == 'e' || next == 'E') {
      ++p_;
      const bool negative = Consume('-');
      if (!negative) Consume('+');
      if (!IsDigit(Peek())) return false;
      const int largest = 308 - fraction_exponent;
      for (int count = 0; p_ != end_ && IsDigit(*p_); ++count) {
        if (negative && count == 9) return DelegateNumber(start);
        exponent = exponent * 10 + (*p_++ - '0');
        if (!negative && exponent > largest) return false;
      }
      if (negative) exponent = -exponent;
    }
    const double magnitude =
        rapidjson::internal::StrtodNormalPrecision(significand, exponent + fraction_exponent);
    if (!std::isfinite(magnitude)) return false;
    builder_.Float(minus ? -magnitude : magnitude);
    return true;
  }

  // Reads the number at `start` with RapidJSON's reader, from a
  // NUL-terminated copy of its characters.
  bool DelegateNumber(const char* start) {
    p_ = start;
    while (p_ != end_ && (IsDigit(*p_) || *p_ == '-' || *p_ == '+' || *p_ == '.' || *p_ == 'e' ||
                          *p_ == 'E')) {
      ++p_;
    }
    const size_t length = static_cast<size_t>(p_ - start);
    if (length > kLongestDelegatedNumber) return false;
    char copy[kLongestDelegatedNumber + 16] = {};
    std::memcpy(copy, start, length);
    rapidjson::GenericReader<rapidjson::UTF8<>, rapidjson::UTF8<>,
                             json_internal::HeapJsonAllocator>
        reader;
    rapidjson::StringStream stream(copy);
    NumberCatcher number;
    if (reader.Parse<rapidjson::kParseStopWhenDoneFlag>(stream, number).IsError() ||
        stream.Tell() != length) {
      return false;
    }
    switch (number.kind) {
      case NumberCatcher::Kind::kSigned:
        builder_.Signed(number.i64);
        return true;
      case NumberCatcher::Kind::kUnsigned:
        builder_.Unsigned(number.u64);
        return true;
      case NumberCatcher::Kind::kFloat:
        // An infinity is refused; the careful reader words it.
        if (!std::isfinite(number.f64)) return false;
        builder_.Float(number.f64);
        return true;
      case NumberCatcher::Kind::kNone:
        return false;
    }
    return false;
  }

  const char* p_;
  const char* const end_;
  StackTreeBuilder builder_;
  std::string scratch_;
};

}  // namespace

bool ReadJsonFast(std::string_view text, BindingProperty& target) {
  return FastReader(text).Read(target);
}

}  // namespace tav
