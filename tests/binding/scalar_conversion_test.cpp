#include "binding/scalar_conversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "binding/json_reader.h"

namespace tav {
namespace {

constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr int64_t kInt64Min = std::numeric_limits<int64_t>::min();
constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();
constexpr uint64_t kUint64Max = std::numeric_limits<uint64_t>::max();

// A cell from JSON: 7 is unsigned, -7 signed, 7.5 a float, "7" a text.
BindingProperty Json(std::string_view json) {
  BindingResult result = ParseJson(json);
  EXPECT_TRUE(result.ok()) << result.error();
  return std::move(result.value());
}

template <class Set>
BindingProperty Made(Set set) {
  BindingProperty value;
  set(value);
  return value;
}

enum class Target { kBool, kInt32, kInt64, kUint64, kPercent };

// "= value" on success, else the message; a failure must leave a zero.
std::string Convert(Target target, const BindingProperty& input) {
  BindingResult result;
  std::string value;
  switch (target) {
    case Target::kBool:
      value = ConvertToBool(result, input, "visible") ? "true" : "false";
      break;
    case Target::kInt32:
      value =
          std::to_string(ConvertToSigned(result, input, "count", kInt32Min, kInt32Max, "int32"));
      break;
    case Target::kInt64:
      value =
          std::to_string(ConvertToSigned(result, input, "stamp", kInt64Min, kInt64Max, "int64"));
      break;
    case Target::kUint64:
      value = std::to_string(ConvertToUnsigned(result, input, "id", kUint64Max, "uint64"));
      break;
    case Target::kPercent:
      value = std::to_string(ConvertToFloat(result, input, "percent", 0.0, 100.0, "double"));
      break;
  }
  if (result.ok()) return "= " + value;
  EXPECT_TRUE(value == "0" || value == "false" || value == "0.000000") << value;
  return std::string(result.error());
}

TEST(ScalarConversion, ValuesAndMessages) {
  const std::string kBoolFormat =
      " for 'visible' of type bool is in an incorrect format. "
      "Options are \"true\", \"false\", \"1\", \"0\".";
  const std::string kInvalidType =
      "Couldn't assign value to 'count' of type int32 because the "
      "input is of an invalid type ";
  const std::string kInt32Format = " for 'count' of type int32 is in an incorrect format";
  const std::string kInt32Range = " for 'count' of type int32 is out of range";
  const std::string kUint64Range = " for 'id' of type uint64 is out of range";
  const struct {
    const char* desc;
    Target target;
    BindingProperty input;
    std::string expected;
  } cases[] = {
      {"bool text", Target::kBool, Json(R"("true")"), "= true"},
      {"bool digit", Target::kBool, Json(R"("0")"), "= false"},
      {"bool upper case", Target::kBool, Json(R"("TRUE")"), "Value TRUE" + kBoolFormat},
      {"bool padded", Target::kBool, Json(R"(" true")"), "Value  true" + kBoolFormat},
      {"bool from a number", Target::kBool, Json("-1"),
       "Couldn't assign value to 'visible' of type bool because the input is of an invalid type "
       "signed."},
      {"bool empty", Target::kBool, Json("null"), "A value for 'visible' is required."},
      {"hex text", Target::kInt32, Json(R"("0x10")"), "= 16"},
      {"leading space and sign", Target::kInt32, Json(R"("  -42")"), "= -42"},
      {"empty text parses to zero", Target::kInt32, Json(R"("")"), "= 0"},
      {"trailing letters", Target::kInt32, Json(R"("12abc")"), "Value 12abc" + kInt32Format},
      {"bare prefix", Target::kInt32, Json(R"("0x")"), "Value 0x" + kInt32Format},
      {"embedded NUL", Target::kInt32, Made([](BindingProperty& v) {
         v.SetString(
             {"12\0"
              "3",
              4});
       }),
       std::string("Value 12\0"
                   "3",
                   10) +
           kInt32Format},
      {"text above range", Target::kInt32, Json(R"("2147483648")"),
       "Value 2147483648" + kInt32Range},
      {"text past int64", Target::kInt32, Json(R"("99999999999999999999")"),
       "Value 99999999999999999999" + kInt32Range},
      {"signed minimum", Target::kInt32, Json("-2147483648"), "= -2147483648"},
      {"signed below range", Target::kInt32, Json("-2147483649"),
       "Value -2147483649" + kInt32Range},
      {"unsigned above range", Target::kInt32, Json("2147483648"),
       "Value 2147483648" + kInt32Range},
      {"float truncates", Target::kInt32, Json("-3.9"), "= -3"},
      {"float above range", Target::kInt32, Json("2147483648.0"),
       "Value 2.14748e+09" + kInt32Range},
      {"float NaN", Target::kInt32, Made([](BindingProperty& v) { v.SetDouble(std::nan("")); }),
       "Value nan" + kInt32Range},
      {"enum number", Target::kInt32, Made([](BindingProperty& v) { v.SetEnum(-7, 1); }), "= -7"},
      {"bool", Target::kInt32, Json("true"), kInvalidType + "bool."},
      {"empty", Target::kInt32, Json("null"), "A value for 'count' is required."},
      // 2^63 compares equal to INT64_MAX once both are doubles; it must not
      // be cast.
      {"float 2^63", Target::kInt64, Json("9223372036854775808.0"),
       "Value 9.22337e+18 for 'stamp' of type int64 is out of range"},
      {"float -2^63", Target::kInt64, Json("-9223372036854775808.0"), "= -9223372036854775808"},
      {"largest text", Target::kUint64, Json(R"("18446744073709551615")"),
       "= 18446744073709551615"},
      {"overflowing text", Target::kUint64, Json(R"("18446744073709551616")"),
       "Value 18446744073709551616" + kUint64Range},
      {"float 2^64", Target::kUint64, Json("18446744073709551616.0"),
       "Value 1.84467e+19" + kUint64Range},
      {"negative fraction", Target::kUint64, Json("-0.5"), "Value -0.5" + kUint64Range},
      // strtoull would negate these into huge numbers.
      {"minus one text", Target::kUint64, Json(R"("-1")"), "Value -1" + kUint64Range},
      {"minus one after blanks", Target::kUint64, Json(R"(" \t-1")"), "Value  \t-1" + kUint64Range},
      {"largest unsigned", Target::kUint64, Json("18446744073709551615"), "= 18446744073709551615"},
      // Limits that are integers bound integer inputs exactly.
      {"unsigned above float limit", Target::kPercent, Json("101"),
       "Value 101 for 'percent' of type double is out of range"},
      {"signed below float limit", Target::kPercent, Json("-1"),
       "Value -1 for 'percent' of type double is out of range"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.desc);
    EXPECT_EQ(Convert(c.target, c.input), c.expected);
  }
}

TEST(ScalarConversion, AFailedResultKeepsItsFirstError) {
  BindingResult result;
  result.Fail("first");
  EXPECT_EQ(ConvertToSigned(result, Json("5"), "a", kInt32Min, kInt32Max, "int32"), 0);
  EXPECT_EQ(ConvertToUnsigned(result, Json(R"("x")"), "b", kUint64Max, "uint64"), 0u);
  EXPECT_FALSE(ConvertToBool(result, Json("true"), "c"));
  EXPECT_EQ(ConvertToFloat(result, Json("[]"), "d", -1.0, 1.0, "double"), 0.0);
  EXPECT_EQ(ConvertToString(result, Json(R"("y")"), "e", nullptr), "");
  EXPECT_EQ(result.error(), "first");
}

}  // namespace
}  // namespace tav
