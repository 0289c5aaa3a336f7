#include "binding/yaml_scalar.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "binding/codec_test_support.h"
#include "binding/yaml_reader.h"

namespace tav {
namespace {

// Each text is a whole document read through libyaml, so that styles and
// tag shorthands arrive as they do in real documents.
TEST(YamlScalar, WordsAndTagsAreResolved) {
  const struct {
    const char* yaml;
    const char* expected;  // the tree's dump, or the error
  } cases[] = {
      // Null and bool words are exact and case-sensitive.
      {"~", "null"},
      {"NULL", "null"},
      {"nULL", R"("nULL")"},
      {"key:", R"({"key":null})"},
      {"TRUE", "true"},
      {"y", "true"},
      {"Yes", "true"},
      {"ON", "true"},
      {"N", "false"},
      {"Off", "false"},
      {"tRUE", R"("tRUE")"},
      {"!!int abc", "Value abc for 'yaml' of type uint64_t is in an incorrect format"},
      {"!!int -abc", "Value -abc for 'yaml' of type int64_t is in an incorrect format"},
      {"!!int 12.5", "Value 12.5 for 'yaml' of type uint64_t is in an incorrect format"},
      {"!!int 18446744073709551616",
       "Value 18446744073709551616 for 'yaml' of type uint64_t is out of range"},
      {"!!int -9223372036854775809",
       "Value -9223372036854775809 for 'yaml' of type int64_t is out of range"},
      {"!!float fast", "Value fast for 'yaml' of type double is in an incorrect format"},
      {"!!float 1e999", "Value 1e999 for 'yaml' of type double is out of range"},
      {"!!null ~", "Unsupported YAML tag 'tag:yaml.org,2002:null'."},
      {"!!binary aGVsbG8=", "Unsupported YAML tag 'tag:yaml.org,2002:binary'."},
      {"! text", "Unsupported YAML tag '!'."},
      {"page: !rune 8100", "Unsupported YAML tag '!rune'."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.yaml);
    BindingResult result = ParseYaml(c.yaml);
    EXPECT_EQ(result.ok() ? testing::Dump(result.value()) : std::string(result.error()),
              c.expected);
  }
}

TEST(YamlScalar, ResolverLeavesNoValueBehindOnFailure) {
  YamlScalarResolver resolver;
  BindingProperty cell;
  cell.SetString("before");
  std::string error;
  EXPECT_FALSE(resolver.Resolve("tag:yaml.org,2002:int", "x1", false, cell, error));
  EXPECT_EQ(error, "Value x1 for 'yaml' of type uint64_t is in an incorrect format");
  EXPECT_TRUE(cell.isEmpty());

  // The resolver is reused across scalars: a failure must not stick.
  error.clear();
  EXPECT_TRUE(resolver.Resolve("tag:yaml.org,2002:int", "7", false, cell, error));
  EXPECT_EQ(testing::Dump(cell), "u7");
  EXPECT_TRUE(error.empty());
}

// What strtod makes of a whole number text, by the kind rules.
std::string StrtodReading(const std::string& text) {
  char* end = nullptr;
  double value = std::strtod(text.c_str(), &end);
  BindingProperty expected;
  if (end != text.c_str() + text.size() || !std::isfinite(value)) {
    expected.SetString(text);
  } else if (value != std::trunc(value)) {
    expected.SetDouble(value);
  } else if (value < 0 && value >= -9223372036854775808.0) {
    expected.SetInt64(static_cast<int64_t>(value));
  } else if (value >= 0 && value < 18446744073709551616.0) {
    expected.SetUint64(static_cast<uint64_t>(value));
  } else {
    expected.SetDouble(value);
  }
  return testing::Dump(expected);
}

// Numbers are what strtod reads: leading zeros are decimal, 0x is hex, an
// exponent or a zero fraction still gives a whole number, whole numbers
// beyond the 64-bit range stay floats, and a text with anything left over,
// an infinity or NaN stays text. Common shapes are read without strtod; they
// must come out bit for bit the same, including where rounding decides.
TEST(YamlScalar, NumbersReadAsStrtodReadsThem) {
  std::vector<std::string> texts = {
      "42",
      "010",
      "0x10",
      "1e3",
      "2.0",
      "+7",
      "-3.0",
      "12abc",
      "1_000",
      "inf",
      "-Infinity",
      "nan",
      ".inf",
      "1e999",
      "0o17",
      "-1e19",
      "18446744073709551616",
      "-9223372036854775808",
      "0",
      "-0",
      "+0",
      "007",
      "1.",
      ".1",
      "0.1",
      "0.3",
      "-0.0",
      "2.675",
      "9007199254740993",
      "9999999999999999999",
      "99999999999999999999",
      "18446744073709551615",
      "9223372036854775807",
      "-9223372036854775809",
      "123456789012345.6",
      "1234567890123456.7",
      "0.000000000000001",
      "4.35",
      "1.7976931348623157",
      "-.5",
      "+.5",
      ".",
      "-",
      "+",
      "1.2.3",
      "--1",
      "1e5",
      "0x1A",
      "1-2",
  };
  uint32_t state = 12345;
  for (int i = 0; i < 20000; ++i) {
    state = state * 1664525u + 1013904223u;
    int length = 1 + static_cast<int>((state >> 8) % 20);
    std::string text = (state >> 30) == 0 ? "-" : "";
    for (int j = 0; j < length; ++j) {
      state = state * 1664525u + 1013904223u;
      text += static_cast<char>('0' + (state >> 10) % 10);
    }
    size_t point = (state >> 16) % (text.size() + 4);
    if (point <= text.size()) text.insert(point, ".");
    texts.push_back(text);
  }
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    BindingProperty cell;
    ResolvePlainYamlScalar(text, cell);
    if (cell.kind() == BindingPropertyKind::kFloat) {
      double expected = std::strtod(text.c_str(), nullptr);
      double read = cell.AsDouble();
      EXPECT_EQ(std::memcmp(&expected, &read, sizeof expected), 0);
    }
    EXPECT_EQ(testing::Dump(cell), StrtodReading(text));
  }
}

}  // namespace
}  // namespace tav
