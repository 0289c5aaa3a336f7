#include "binding/scalar_conversion.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "binding/binding_type_registry.h"
#include "binding/conversion_messages.h"

namespace tav {

namespace {

// 2^63 and 2^64 as doubles: the first values that no longer fit int64 and
// uint64. The limits of those types round up to them, so a comparison with
// the converted limit alone would let them through to an undefined cast.
constexpr double kTwoPow63 = 9223372036854775808.0;
constexpr double kTwoPow64 = 18446744073709551616.0;

// A NUL-terminated copy of a text for the strto* functions, which need the
// terminator that a string_view lacks. A NUL inside the text ends the parse
// early, and the bytes after it count as left over.
class TerminatedText {
 public:
  explicit TerminatedText(std::string_view text) : size_(text.size()) {
    if (text.size() < sizeof(small_)) {
      std::memcpy(small_, text.data(), text.size());
      small_[text.size()] = '\0';
      data_ = small_;
    } else {
      large_.assign(text.data(), text.size());
      data_ = large_.c_str();
    }
  }
  TerminatedText(const TerminatedText&) = delete;
  TerminatedText& operator=(const TerminatedText&) = delete;

  const char* c_str() const { return data_; }
  // True when the parse that stopped at `end` did not consume every byte.
  bool LeftOver(const char* end) const { return end != data_ + size_; }

 private:
  char small_[64];
  std::string large_;
  const char* data_ = nullptr;
  size_t size_ = 0;
};

template <class T>
struct Parsed {
  T value = 0;
  bool left_over = false;
  bool overflow = false;
};

// Each parse uses base 0 (decimal, 0x hexadecimal, 0 octal) and accepts what
// the C function accepts: leading white space and a sign.
Parsed<long long> ParseSigned(const TerminatedText& text) {
  Parsed<long long> parsed;
  char* end = nullptr;
  errno = 0;
  parsed.value = std::strtoll(text.c_str(), &end, 0);
  parsed.overflow = errno == ERANGE;
  parsed.left_over = text.LeftOver(end);
  return parsed;
}

Parsed<unsigned long long> ParseUnsigned(const TerminatedText& text) {
  Parsed<unsigned long long> parsed;
  char* end = nullptr;
  errno = 0;
  parsed.value = std::strtoull(text.c_str(), &end, 0);
  parsed.overflow = errno == ERANGE;
  parsed.left_over = text.LeftOver(end);
  return parsed;
}

Parsed<double> ParseFloat(const TerminatedText& text) {
  Parsed<double> parsed;
  char* end = nullptr;
  errno = 0;
  parsed.value = std::strtod(text.c_str(), &end);
  // ERANGE also reports underflow, which yields a usable (tiny or zero)
  // value; only a result out of the double range is an overflow.
  parsed.overflow = errno == ERANGE && std::isinf(parsed.value);
  parsed.left_over = text.LeftOver(end);
  return parsed;
}

// strtoull negates a number written with a minus sign instead of refusing
// it, so "-1" would become the largest value. Such a text is out of range,
// also when white space comes before the sign.
bool HasMinusSign(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  return i < text.size() && text[i] == '-';
}

bool InSignedRange(int64_t value, int64_t min, int64_t max) { return value >= min && value <= max; }

// Limits given as doubles take part in an integer comparison only when they
// are integers' worth: finite and inside the int64 or uint64 range.
bool FitsInt64(double limit) { return limit >= -kTwoPow63 && limit < kTwoPow63; }
bool FitsUint64(double limit) { return limit >= 0 && limit < kTwoPow64; }

bool InFloatRange(double value, double min, double max) {
  return value >= min && value <= max;  // false for NaN
}

bool SignedInFloatLimits(int64_t value, double min, double max) {
  if (FitsInt64(min) && value < static_cast<int64_t>(min)) return false;
  if (FitsInt64(max) && value > static_cast<int64_t>(max)) return false;
  return true;
}

}  // namespace

bool ConvertToBool(BindingResult& result, const BindingProperty& input,
                   std::string_view field_name) {
  if (!result.ok()) return false;
  switch (input.kind()) {
    case BindingPropertyKind::kEmpty:
      FailValueRequired(result, field_name);
      return false;
    case BindingPropertyKind::kBool:
      return input.AsBool();
    case BindingPropertyKind::kString: {
      std::string_view text = input.AsString();
      if (text == "1" || text == "true") return true;
      if (text == "0" || text == "false") return false;
      FailBoolIncorrectFormat(result, text, field_name);
      return false;
    }
    case BindingPropertyKind::kSigned:
    case BindingPropertyKind::kUnsigned:
    case BindingPropertyKind::kFloat:
    case BindingPropertyKind::kBlob:
    case BindingPropertyKind::kEnum:
    case BindingPropertyKind::kCollection:
    case BindingPropertyKind::kStructure:
      FailInvalidType(result, field_name, "bool", input.kind());
      return false;
  }
  FailInvalidType(result, field_name, "bool", input.kind());
  return false;
}

int64_t ConvertToSigned(BindingResult& result, const BindingProperty& input,
                        std::string_view field_name, int64_t min, int64_t max,
                        std::string_view type_name) {
  if (!result.ok()) return 0;
  switch (input.kind()) {
    case BindingPropertyKind::kEmpty:
      FailValueRequired(result, field_name);
      return 0;
    case BindingPropertyKind::kSigned: {
      int64_t value = input.AsInt64();
      if (InSignedRange(value, min, max)) return value;
      break;
    }
    case BindingPropertyKind::kUnsigned: {
      uint64_t value = input.AsUint64();
      if (max >= 0 && value <= static_cast<uint64_t>(max) &&
          InSignedRange(static_cast<int64_t>(value), min, max)) {
        return static_cast<int64_t>(value);
      }
      break;
    }
    case BindingPropertyKind::kFloat: {
      double value = input.AsDouble();
      if (InFloatRange(value, static_cast<double>(min), static_cast<double>(max)) &&
          value < kTwoPow63) {
        return static_cast<int64_t>(value);  // truncates toward zero
      }
      break;
    }
    case BindingPropertyKind::kString: {
      TerminatedText text(input.AsString());
      Parsed<long long> parsed = ParseSigned(text);
      if (parsed.left_over) {
        FailIncorrectFormat(result, input.AsString(), field_name, type_name);
        return 0;
      }
      if (!parsed.overflow && InSignedRange(parsed.value, min, max)) return parsed.value;
      break;
    }
    case BindingPropertyKind::kEnum: {
      int64_t value = input.AsEnum().value;
      if (InSignedRange(value, min, max)) return value;
      break;
    }
    case BindingPropertyKind::kBool:
    case BindingPropertyKind::kBlob:
    case BindingPropertyKind::kCollection:
    case BindingPropertyKind::kStructure:
      FailInvalidType(result, field_name, type_name, input.kind());
      return 0;
  }
  if (result.ok()) FailOutOfRange(result, input, field_name, type_name);
  return 0;
}

uint64_t ConvertToUnsigned(BindingResult& result, const BindingProperty& input,
                           std::string_view field_name, uint64_t max, std::string_view type_name) {
  if (!result.ok()) return 0;
  switch (input.kind()) {
    case BindingPropertyKind::kEmpty:
      FailValueRequired(result, field_name);
      return 0;
    case BindingPropertyKind::kSigned: {
      int64_t value = input.AsInt64();
      if (value >= 0 && static_cast<uint64_t>(value) <= max) return static_cast<uint64_t>(value);
      break;
    }
    case BindingPropertyKind::kUnsigned: {
      uint64_t value = input.AsUint64();
      if (value <= max) return value;
      break;
    }
    case BindingPropertyKind::kFloat: {
      double value = input.AsDouble();
      if (value >= 0 && value <= static_cast<double>(max) && value < kTwoPow64) {
        return static_cast<uint64_t>(value);  // truncates toward zero; NaN fails above
      }
      break;
    }
    case BindingPropertyKind::kString: {
      std::string_view raw = input.AsString();
      TerminatedText text(raw);
      Parsed<unsigned long long> parsed = ParseUnsigned(text);
      if (parsed.left_over) {
        FailIncorrectFormat(result, raw, field_name, type_name);
        return 0;
      }
      if (!HasMinusSign(raw) && !parsed.overflow && parsed.value <= max) return parsed.value;
      break;
    }
    case BindingPropertyKind::kEnum: {
      int32_t value = input.AsEnum().value;
      if (value >= 0 && static_cast<uint64_t>(value) <= max) return static_cast<uint64_t>(value);
      break;
    }
    case BindingPropertyKind::kBool:
    case BindingPropertyKind::kBlob:
    case BindingPropertyKind::kCollection:
    case BindingPropertyKind::kStructure:
      FailInvalidType(result, field_name, type_name, input.kind());
      return 0;
  }
  if (result.ok()) FailOutOfRange(result, input, field_name, type_name);
  return 0;
}

double ConvertToFloat(BindingResult& result, const BindingProperty& input,
                      std::string_view field_name, double min, double max,
                      std::string_view type_name) {
  if (!result.ok()) return 0;
  switch (input.kind()) {
    case BindingPropertyKind::kEmpty:
      FailValueRequired(result, field_name);
      return 0;
    case BindingPropertyKind::kSigned: {
      int64_t value = input.AsInt64();
      if (SignedInFloatLimits(value, min, max)) return static_cast<double>(value);
      break;
    }
    case BindingPropertyKind::kUnsigned: {
      uint64_t value = input.AsUint64();
      if (!FitsUint64(max) || value <= static_cast<uint64_t>(max)) {
        return static_cast<double>(value);
      }
      break;
    }
    case BindingPropertyKind::kFloat: {
      double value = input.AsDouble();
      if (InFloatRange(value, min, max)) return value;
      break;
    }
    case BindingPropertyKind::kString: {
      TerminatedText text(input.AsString());
      Parsed<double> parsed = ParseFloat(text);
      if (parsed.left_over) {
        FailIncorrectFormat(result, input.AsString(), field_name, type_name);
        return 0;
      }
      if (!parsed.overflow && InFloatRange(parsed.value, min, max)) return parsed.value;
      break;
    }
    case BindingPropertyKind::kEnum: {
      int64_t value = input.AsEnum().value;
      if (SignedInFloatLimits(value, min, max)) return static_cast<double>(value);
      break;
    }
    case BindingPropertyKind::kBool:
    case BindingPropertyKind::kBlob:
    case BindingPropertyKind::kCollection:
    case BindingPropertyKind::kStructure:
      FailInvalidType(result, field_name, type_name, input.kind());
      return 0;
  }
  if (result.ok()) FailOutOfRange(result, input, field_name, type_name);
  return 0;
}

std::string ConvertToString(BindingResult& result, const BindingProperty& input,
                            std::string_view field_name, const BindingTypeRegistry* registry) {
  if (!result.ok()) return std::string();
  switch (input.kind()) {
    case BindingPropertyKind::kEmpty:
      FailValueRequired(result, field_name);
      return std::string();
    case BindingPropertyKind::kString:
      return std::string(input.AsString());
    case BindingPropertyKind::kEnum: {
      BindingEnumValue value = input.AsEnum();
      const char* name =
          registry != nullptr ? registry->FindEnumValueName(value.type_key, value.value) : nullptr;
      if (name != nullptr) return name;
      FailUnnamedEnumValue(result, value.value, field_name);
      return std::string();
    }
    case BindingPropertyKind::kBool:
    case BindingPropertyKind::kSigned:
    case BindingPropertyKind::kUnsigned:
    case BindingPropertyKind::kFloat:
    case BindingPropertyKind::kBlob:
    case BindingPropertyKind::kCollection:
    case BindingPropertyKind::kStructure:
      FailNotAString(result, field_name);
      return std::string();
  }
  FailNotAString(result, field_name);
  return std::string();
}

}  // namespace tav
