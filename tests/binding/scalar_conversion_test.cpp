#include "binding/scalar_conversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "binding/binding_type_registry.h"
#include "binding/type_registration.h"

namespace tav {
namespace {

constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr uint64_t kUint32Max = std::numeric_limits<uint32_t>::max();

BindingProperty Text(std::string_view text) {
  BindingProperty value;
  value.SetString(text);
  return value;
}
BindingProperty Signed(int64_t number) {
  BindingProperty value;
  value.SetInt64(number);
  return value;
}
BindingProperty Unsigned(uint64_t number) {
  BindingProperty value;
  value.SetUint64(number);
  return value;
}
BindingProperty Float(double number) {
  BindingProperty value;
  value.SetDouble(number);
  return value;
}
BindingProperty Boolean(bool flag) {
  BindingProperty value;
  value.SetBool(flag);
  return value;
}
BindingProperty Enum(int32_t number, uint32_t type_key) {
  BindingProperty value;
  value.SetEnum(number, type_key);
  return value;
}
BindingProperty Collection() {
  BindingProperty value;
  value.MakeCollection();
  return value;
}

// One row: an input, and either the value it converts to or the exact
// message it fails with.
template <class T>
struct Case {
  const char* desc;
  BindingProperty input;
  T expected;
  std::string error;  // "" when the conversion succeeds
};

template <class T>
void RunCases(std::vector<Case<T>>& cases,
              const std::function<T(BindingResult&, const BindingProperty&)>& convert) {
  for (Case<T>& row : cases) {
    SCOPED_TRACE(row.desc);
    BindingResult result;
    T value = convert(result, row.input);
    if (row.error.empty()) {
      ASSERT_TRUE(result.ok()) << result.error();
      EXPECT_EQ(value, row.expected);
    } else {
      EXPECT_FALSE(result.ok());
      EXPECT_EQ(result.error(), row.error);
      EXPECT_EQ(value, T{});
    }
  }
}

TEST(ScalarConversion, BoolAcceptsExactTextsOnly) {
  const std::string kFormat =
      "Value %s for 'visible' of type bool is in an incorrect format. "
      "Options are \"true\", \"false\", \"1\", \"0\".";
  auto format_error = [&](const char* text) {
    std::string message = kFormat;
    return message.replace(message.find("%s"), 2, text);
  };
  std::vector<Case<bool>> cases;
  cases.push_back({"true", Text("true"), true, ""});
  cases.push_back({"1", Text("1"), true, ""});
  cases.push_back({"false", Text("false"), false, ""});
  cases.push_back({"0", Text("0"), false, ""});
  cases.push_back({"bool", Boolean(true), true, ""});
  cases.push_back({"upper case", Text("TRUE"), false, format_error("TRUE")});
  cases.push_back({"padded", Text(" true"), false, format_error(" true")});
  cases.push_back({"signed one", Signed(1), false,
                   "Couldn't assign value to 'visible' of type bool because the input is of an "
                   "invalid type signed."});
  cases.push_back({"collection", Collection(), false,
                   "Couldn't assign value to 'visible' of type bool because the input is of an "
                   "invalid type collection."});
  cases.push_back({"empty", BindingProperty(), false, "A value for 'visible' is required."});
  RunCases<bool>(cases, [](BindingResult& result, const BindingProperty& input) {
    return ConvertToBool(result, input, "visible");
  });
}

TEST(ScalarConversion, Int32FromEveryKind) {
  auto out_of_range = [](const char* text) {
    return "Value " + std::string(text) + " for 'count' of type int32 is out of range";
  };
  auto bad_format = [](const std::string& text) {
    return "Value " + text + " for 'count' of type int32 is in an incorrect format";
  };
  std::vector<Case<int64_t>> cases;
  cases.push_back({"hex text", Text("0x10"), 16, ""});
  cases.push_back({"octal text", Text("010"), 8, ""});
  cases.push_back({"leading space and sign", Text("  -42"), -42, ""});
  cases.push_back({"empty text parses to zero", Text(""), 0, ""});
  cases.push_back({"trailing letters", Text("12abc"), 0, bad_format("12abc")});
  cases.push_back({"trailing space", Text("12 "), 0, bad_format("12 ")});
  cases.push_back({"no digits", Text("abc"), 0, bad_format("abc")});
  cases.push_back({"bare prefix", Text("0x"), 0, bad_format("0x")});
  cases.push_back({"text above range", Text("2147483648"), 0, out_of_range("2147483648")});
  cases.push_back({"text overflowing int64", Text("99999999999999999999"), 0,
                   out_of_range("99999999999999999999")});
  cases.push_back({"signed minimum", Signed(kInt32Min), kInt32Min, ""});
  cases.push_back({"signed below range", Signed(kInt32Min - 1), 0, out_of_range("-2147483649")});
  cases.push_back({"unsigned maximum", Unsigned(kInt32Max), kInt32Max, ""});
  cases.push_back({"unsigned above range", Unsigned(2147483648u), 0, out_of_range("2147483648")});
  cases.push_back({"float truncates", Float(3.9), 3, ""});
  cases.push_back({"negative float truncates", Float(-3.9), -3, ""});
  cases.push_back({"float above range", Float(2147483648.0), 0, out_of_range("2.14748e+09")});
  cases.push_back({"float NaN", Float(std::nan("")), 0, out_of_range("nan")});
  cases.push_back({"enum number", Enum(-7, 1), -7, ""});
  cases.push_back({"bool", Boolean(true), 0,
                   "Couldn't assign value to 'count' of type int32 because the input is of an "
                   "invalid type bool."});
  cases.push_back({"empty", BindingProperty(), 0, "A value for 'count' is required."});
  RunCases<int64_t>(cases, [](BindingResult& result, const BindingProperty& input) {
    return ConvertToSigned(result, input, "count", kInt32Min, kInt32Max, "int32");
  });
}

TEST(ScalarConversion, Int64RejectsFloatsThatOnlyRoundIntoRange) {
  // 2^63 compares equal to INT64_MAX once both are doubles; it must not be
  // cast.
  const int64_t min = std::numeric_limits<int64_t>::min();
  const int64_t max = std::numeric_limits<int64_t>::max();
  BindingResult result;
  ConvertToSigned(result, Float(9223372036854775808.0), "stamp", min, max, "int64");
  EXPECT_EQ(result.error(), "Value 9.22337e+18 for 'stamp' of type int64 is out of range");

  BindingResult lowest;
  EXPECT_EQ(ConvertToSigned(lowest, Float(-9223372036854775808.0), "stamp", min, max, "int64"),
            min);
  EXPECT_TRUE(lowest.ok());
}

TEST(ScalarConversion, Uint64Limits) {
  const uint64_t max = std::numeric_limits<uint64_t>::max();
  std::vector<Case<uint64_t>> cases;
  cases.push_back({"largest text", Text("18446744073709551615"), max, ""});
  cases.push_back({"overflowing text", Text("18446744073709551616"), 0,
                   "Value 18446744073709551616 for 'id' of type uint64 is out of range"});
  cases.push_back({"float 2^64", Float(18446744073709551616.0), 0,
                   "Value 1.84467e+19 for 'id' of type uint64 is out of range"});
  cases.push_back(
      {"minus one text", Text("-1"), 0, "Value -1 for 'id' of type uint64 is out of range"});
  cases.push_back({"largest unsigned", Unsigned(max), max, ""});
  RunCases<uint64_t>(cases, [&](BindingResult& result, const BindingProperty& input) {
    return ConvertToUnsigned(result, input, "id", max, "uint64");
  });
}

TEST(ScalarConversion, FloatLimitsThatFitIntegersBoundIntegerInputs) {
  BindingResult result;
  ConvertToFloat(result, Signed(101), "percent", 0.0, 100.0, "double");
  EXPECT_EQ(result.error(), "Value 101 for 'percent' of type double is out of range");
  BindingResult below;
  ConvertToFloat(below, Signed(-1), "percent", 0.0, 100.0, "double");
  EXPECT_FALSE(below.ok());
  BindingResult unsigned_above;
  ConvertToFloat(unsigned_above, Unsigned(101), "percent", 0.0, 100.0, "double");
  EXPECT_FALSE(unsigned_above.ok());
}

enum class Weather : int32_t { kSunny = 1, kFoggy = 2 };

TEST(ScalarConversion, AFailedResultKeepsItsFirstError) {
  BindingResult result;
  result.Fail("first");
  EXPECT_EQ(ConvertToSigned(result, Signed(5), "a", kInt32Min, kInt32Max, "int32"), 0);
  EXPECT_EQ(ConvertToUnsigned(result, Text("x"), "b", kUint32Max, "uint32"), 0u);
  EXPECT_FALSE(ConvertToBool(result, Boolean(true), "c"));
  EXPECT_EQ(ConvertToFloat(result, Collection(), "d", -1.0, 1.0, "double"), 0.0);
  EXPECT_EQ(ConvertToString(result, Text("y"), "e", nullptr), "");
  EXPECT_EQ(result.error(), "first");
}

}  // namespace
}  // namespace tav
