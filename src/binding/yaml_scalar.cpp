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

constexpr std::string_view kTrueWords[] = {"true", "True", "TRUE", "y",  "Y", "yes",
                                           "Yes",  "YES",  "on",   "On", "ON"};
constexpr std::string_view kFalseWords[] = {"false", "False", "FALSE", "n",   "N",  "no",
                                            "No",    "NO",    "off",   "Off", "OFF"};

// 2^63 and 2^64 as doubles: the first values that no longer fit a signed or
// an unsigned 64-bit integer.
constexpr double kTwoTo63 = 9223372036854775808.0;
constexpr double kTwoTo64 = 18446744073709551616.0;

bool IsNullWord(std::string_view text) {
  return text.empty() || text == "~" || text == "null" || text == "Null" || text == "NULL";
}

// strtod reads a number only from texts that start with white space, a sign,
// a digit or a point; everything else it could take is an infinity or a NaN,
// which are not numbers here. Checking first spares the copy below for the
// many texts that are plain words.
bool MayStartNumber(char c) {
  return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == ' ' ||
         (c >= '\t' && c <= '\r');
}

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The common number texts, read without strtod but to the same double: an
// optional sign, then up to 19 digits, or up to 15 digits with a decimal
// point among them. A whole number of up to 19 digits is exact in 64 bits,
// and the conversion to double rounds it as strtod would. With a point, the
// digits (below 2^53) and the power of ten (at most 10^22) are both exact
// doubles, so the one correctly rounded division gives strtod's result.
// False when the text has another shape; strtod then decides.
bool ReadSimpleNumber(std::string_view text, double& number) {
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
  double value = static_cast<double>(digits);
  if (point != std::string_view::npos) {
    if (digit_count > 15) return false;
    value /= kPowersOfTen[digit_count - point];
  }
  number = negative ? -value : value;
  return true;
}

// The number of a text that strtod reads whole, if it is finite.
bool ReadWholeNumber(std::string_view text, double& number) {
  if (text.empty() || !MayStartNumber(text.front())) return false;
  if (ReadSimpleNumber(text, number)) return true;
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
  double value = std::strtod(begin, &end);
  if (end != begin + text.size() || !std::isfinite(value)) return false;
  number = value;
  return true;
}

void SetNumber(double number, BindingProperty& target) {
  if (number != std::trunc(number)) {
    target.SetDouble(number);
  } else if (number < 0) {
    // Whole numbers beyond the 64-bit range have no integer value: they stay
    // floats rather than wrap.
    if (number >= -kTwoTo63) {
      target.SetInt64(static_cast<int64_t>(number));
    } else {
      target.SetDouble(number);
    }
  } else if (number < kTwoTo64) {
    target.SetUint64(static_cast<uint64_t>(number));
  } else {
    target.SetDouble(number);
  }
}

}  // namespace

int YamlBoolWord(std::string_view text) {
  // Most texts are longer than any bool word ("false" is the longest).
  if (text.empty() || text.size() > 5) return -1;
  for (std::string_view word : kTrueWords) {
    if (text == word) return 1;
  }
  for (std::string_view word : kFalseWords) {
    if (text == word) return 0;
  }
  return -1;
}

void ResolvePlainYamlScalar(std::string_view text, BindingProperty& target) {
  if (IsNullWord(text)) {
    target.Clear();
    return;
  }
  double number = 0;
  if (ReadWholeNumber(text, number)) {
    SetNumber(number, target);
    return;
  }
  if (int word = YamlBoolWord(text); word >= 0) {
    target.SetBool(word == 1);
    return;
  }
  target.SetString(text);
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
