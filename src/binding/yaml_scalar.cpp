#include "binding/yaml_scalar.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "binding/scalar_conversion.h"
#include "log/positional_format.h"

namespace tav {
namespace {

// 2^63 and 2^64 as doubles: the first values that no longer fit a signed or
// an unsigned 64-bit integer.
constexpr double kTwoTo63 = 9223372036854775808.0;
constexpr double kTwoTo64 = 18446744073709551616.0;
// Whole numbers up to here are exact in a double, so passing them through
// one changes nothing.
constexpr uint64_t kLargestExactWhole = uint64_t{1} << 53;

// Which rule the first byte of a plain scalar leaves open. strtod reads a
// number only from texts that start with white space, a sign, a digit or a
// point; everything else it could take is an infinity or a NaN, which are
// not numbers here. Null and bool words start with one of ~nNtTfFyYoO.
enum class FirstByte : uint8_t { kText, kNumber, kWord, kTilde };

constexpr FirstByte ClassOf(unsigned char c) {
  if ((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == ' ' ||
      (c >= '\t' && c <= '\r')) {
    return FirstByte::kNumber;
  }
  switch (c) {
    case 'n':
    case 'N':
    case 't':
    case 'T':
    case 'f':
    case 'F':
    case 'y':
    case 'Y':
    case 'o':
    case 'O':
      return FirstByte::kWord;
    case '~':
      return FirstByte::kTilde;
    default:
      return FirstByte::kText;
  }
}

struct FirstByteTable {
  FirstByte classes[256];
  constexpr FirstByteTable() : classes() {
    for (int c = 0; c < 256; ++c) classes[c] = ClassOf(static_cast<unsigned char>(c));
  }
};
constexpr FirstByteTable kFirstBytes;

template <size_t N>
bool Is(std::string_view text, const char (&word)[N]) {
  return std::memcmp(text.data(), word, N - 1) == 0;
}

enum class Word { kNone, kFalse, kTrue, kNull };

// Null and bool words, by length.
Word WordValue(std::string_view text) {
  switch (text.size()) {
    case 1:
      if (text[0] == 'y' || text[0] == 'Y') return Word::kTrue;
      if (text[0] == 'n' || text[0] == 'N') return Word::kFalse;
      return Word::kNone;
    case 2:
      if (Is(text, "on") || Is(text, "On") || Is(text, "ON")) return Word::kTrue;
      if (Is(text, "no") || Is(text, "No") || Is(text, "NO")) return Word::kFalse;
      return Word::kNone;
    case 3:
      if (Is(text, "yes") || Is(text, "Yes") || Is(text, "YES")) return Word::kTrue;
      if (Is(text, "off") || Is(text, "Off") || Is(text, "OFF")) return Word::kFalse;
      return Word::kNone;
    case 4:
      if (Is(text, "true") || Is(text, "True") || Is(text, "TRUE")) return Word::kTrue;
      if (Is(text, "null") || Is(text, "Null") || Is(text, "NULL")) return Word::kNull;
      return Word::kNone;
    case 5:
      if (Is(text, "false") || Is(text, "False") || Is(text, "FALSE")) return Word::kFalse;
      return Word::kNone;
    default:
      return Word::kNone;
  }
}

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The number kinds of a finite double: a non-zero fraction is a float;
// whole numbers are signed when negative, unsigned otherwise, and stay
// floats beyond the 64-bit range rather than wrap.
void SetNumber(double number, PlainYamlScalar& scalar) {
  if (number != std::trunc(number) || number < -kTwoTo63 || number >= kTwoTo64) {
    scalar.kind = BindingPropertyKind::kFloat;
    std::memcpy(&scalar.bits, &number, sizeof number);
  } else if (number < 0) {
    scalar.kind = BindingPropertyKind::kSigned;
    scalar.bits = static_cast<uint64_t>(static_cast<int64_t>(number));
  } else {
    scalar.kind = BindingPropertyKind::kUnsigned;
    scalar.bits = static_cast<uint64_t>(number);
  }
}

// The common number texts, read without strtod but to the same value: an
// optional sign, then up to 19 digits, or up to 15 digits with a decimal
// point among them. A whole number of up to 19 digits is exact in 64 bits,
// and the conversion to double rounds it as strtod would; up to 2^53 that
// double is the number itself, so small whole numbers skip it. With a
// point, the digits (below 2^53) and the power of ten (at most 10^22) are
// both exact doubles, so the one correctly rounded division gives strtod's
// result. False when the text has another shape; strtod then decides.
bool ReadSimpleNumber(std::string_view text, PlainYamlScalar& scalar) {
  size_t i = 0;
  bool negative = false;
  if (text[0] == '-' || text[0] == '+') {
    negative = text[0] == '-';
    i = 1;
  }
  uint64_t digits = 0;
  size_t digit_count = 0;
  size_t point = std::string_view::npos;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') {
      digits = digits * 10 + static_cast<uint64_t>(c - '0');
      ++digit_count;
      if (digit_count > 19) return false;
    } else if (c == '.' && point == std::string_view::npos) {
      point = digit_count;
    } else {
      return false;
    }
  }
  if (digit_count == 0) return false;
  if (point == std::string_view::npos && digits <= kLargestExactWhole) {
    // -0 reads as the double -0.0, which is not below zero: unsigned 0.
    if (negative && digits != 0) {
      scalar.kind = BindingPropertyKind::kSigned;
      scalar.bits = static_cast<uint64_t>(-static_cast<int64_t>(digits));
    } else {
      scalar.kind = BindingPropertyKind::kUnsigned;
      scalar.bits = digits;
    }
    return true;
  }
  double value = static_cast<double>(digits);
  if (point != std::string_view::npos) {
    if (digit_count > 15) return false;
    value /= kPowersOfTen[digit_count - point];
  }
  SetNumber(negative ? -value : value, scalar);
  return true;
}

// A text that may start a number: the number strtod reads from all of it,
// if it is finite; otherwise the text stays a string.
void ReadNumber(std::string_view text, PlainYamlScalar& scalar) {
  if (ReadSimpleNumber(text, scalar)) return;
  // strtod needs a terminated text. Number texts are short, so the stack
  // buffer nearly always does.
  char small[64];
  std::string large;
  const char* begin;
  if (text.size() < sizeof small) {
    std::memcpy(small, text.data(), text.size());
    small[text.size()] = '\0';
    begin = small;
  } else {
    large.assign(text);
    begin = large.c_str();
  }
  char* end = nullptr;
  const double value = std::strtod(begin, &end);
  if (end != begin + text.size() || !std::isfinite(value)) return;
  SetNumber(value, scalar);
}

}  // namespace

double PlainYamlScalar::f64() const {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

int YamlBoolWord(std::string_view text) {
  switch (WordValue(text)) {
    case Word::kTrue:
      return 1;
    case Word::kFalse:
      return 0;
    case Word::kNone:
    case Word::kNull:
      return -1;
  }
  return -1;
}

PlainYamlScalar ReadPlainYamlScalar(std::string_view text) {
  PlainYamlScalar scalar;
  if (text.empty()) {
    scalar.kind = BindingPropertyKind::kEmpty;
    return scalar;
  }
  // Tests in order of how common each class is; a switch would jump.
  const FirstByte first = kFirstBytes.classes[static_cast<unsigned char>(text[0])];
  if (first == FirstByte::kNumber) {
    ReadNumber(text, scalar);
  } else if (first == FirstByte::kWord) {
    const Word word = WordValue(text);
    if (word == Word::kNull) {
      scalar.kind = BindingPropertyKind::kEmpty;
    } else if (word != Word::kNone) {
      scalar.kind = BindingPropertyKind::kBool;
      scalar.bits = word == Word::kTrue ? 1 : 0;
    }
  } else if (first == FirstByte::kTilde && text.size() == 1) {
    scalar.kind = BindingPropertyKind::kEmpty;
  }
  return scalar;
}

void ResolvePlainYamlScalar(std::string_view text, BindingProperty& target) {
  const PlainYamlScalar scalar = ReadPlainYamlScalar(text);
  switch (scalar.kind) {
    case BindingPropertyKind::kEmpty:
      target.Clear();
      return;
    case BindingPropertyKind::kBool:
      target.SetBool(scalar.boolean());
      return;
    case BindingPropertyKind::kSigned:
      target.SetInt64(scalar.i64());
      return;
    case BindingPropertyKind::kUnsigned:
      target.SetUint64(scalar.u64());
      return;
    case BindingPropertyKind::kFloat:
      target.SetDouble(scalar.f64());
      return;
    case BindingPropertyKind::kString:
    case BindingPropertyKind::kBlob:
    case BindingPropertyKind::kEnum:
    case BindingPropertyKind::kCollection:
    case BindingPropertyKind::kStructure:
      target.SetString(text);
      return;
  }
}

bool YamlScalarResolver::Resolve(const char* tag, std::string_view text, bool quoted,
                                 BindingProperty& target, std::string& error) {
  if (tag != nullptr) return ResolveTagged(tag, text, target, error);
  if (quoted) {
    target.SetString(text);
  } else {
    ResolvePlainYamlScalar(text, target);
  }
  return true;
}

bool YamlScalarResolver::ResolveTagged(std::string_view tag, std::string_view text,
                                       BindingProperty& target, std::string& error) {
  if (tag == kYamlStrTag) {
    target.SetString(text);
    return true;
  }
  if (tag == kYamlBoolTag) {
    // A text that is no bool word leaves the value empty; it is not an error.
    int word = YamlBoolWord(text);
    if (word < 0) {
      target.Clear();
    } else {
      target.SetBool(word == 1);
    }
    return true;
  }
  if (tag != kYamlIntTag && tag != kYamlFloatTag) {
    target.Clear();
    error = FormatMessage("Unsupported YAML tag '%1'.", tag);
    return false;
  }

  conversion_.Reset();
  input_.SetString(text);
  if (tag == kYamlFloatTag) {
    double value = ConvertToFloat(conversion_, input_, "yaml", -std::numeric_limits<double>::max(),
                                  std::numeric_limits<double>::max(), "double");
    if (conversion_.ok()) target.SetDouble(value);
  } else if (!text.empty() && text.front() == '-') {
    int64_t value =
        ConvertToSigned(conversion_, input_, "yaml", std::numeric_limits<int64_t>::min(),
                        std::numeric_limits<int64_t>::max(), "int64_t");
    if (conversion_.ok()) target.SetInt64(value);
  } else {
    uint64_t value = ConvertToUnsigned(conversion_, input_, "yaml",
                                       std::numeric_limits<uint64_t>::max(), "uint64_t");
    if (conversion_.ok()) target.SetUint64(value);
  }
  input_.Clear();
  if (conversion_.ok()) return true;
  target.Clear();
  error.assign(conversion_.error());
  return false;
}

}  // namespace tav
