#include "binding/json_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codec_test_support.h"

namespace tav {
namespace {

using testing::Dump;

struct ParseCase {
  const char* desc;
  std::string text;
  std::string expected;  // Dump() of the tree
};

void ExpectParses(const std::vector<ParseCase>& cases) {
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.desc);
    BindingResult result = ParseJson(c.text);
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_EQ(Dump(result.value()), c.expected);
  }
}

TEST(JsonReader, NumbersTakeTheirKindFromTheText) {
  ExpectParses({
      {"plain whole number", "42", "u42"},
      {"negative whole number", "-42", "s-42"},
      {"zero is unsigned", "0", "u0"},
      {"minus zero is signed", "-0", "s0"},
      {"fraction makes a float", "42.0", "f42"},
      {"exponent makes a float", "1e2", "f100"},
      {"past 32 bits", "4294967296", "u4294967296"},
      {"below -2^31", "-2147483649", "s-2147483649"},
      {"largest unsigned", "18446744073709551615", "u18446744073709551615"},
      {"past 64 bits becomes a float", "18446744073709551616", "f1.8446744073709552e+19"},
      {"smallest signed", "-9223372036854775808", "s-9223372036854775808"},
      {"below the smallest signed", "-9223372036854775809", "f-9.2233720368547758e+18"},
      {"negative fraction", "-0.25", "f-0.25"},
  });
}

TEST(JsonReader, ReadsOnlyTheGivenLength) {
  const std::string buffer = "[1,2]  trailing bytes beyond the view";
  BindingResult result = ParseJson(std::string_view(buffer.data(), 5));
  ASSERT_TRUE(result.ok()) << result.error();
  EXPECT_EQ(Dump(result.value()), "[u1,u2]");
}

struct ErrorCase {
  const char* desc;
  std::string text;
  const char* message;
};

// Every message text is checked against the reference parser over the whole
// suite (json_conformance_test.cpp); these pin the offsets this reader adds.
TEST(JsonReader, ErrorsCarryTheReasonAndOffset) {
  const std::vector<ErrorCase> cases = {
      {"trailing comma", "[1,]", "Error: Invalid value. at offset 3."},
      {"offsets count the leading blanks", "  \n [1,]", "Error: Invalid value. at offset 7."},
      {"second root value", "1 2",
       "Error: The document root must not be followed by other values. at offset 2."},
      {"second root value after blanks", "{}\n\t[]",
       "Error: The document root must not be followed by other values. at offset 4."},
      {"NUL after the value", std::string("123\0", 4),
       "Error: The document root must not be followed by other values. at offset 3."},
      {"NUL before blanks", std::string("[] \0 ", 5),
       "Error: The document root must not be followed by other values. at offset 3."},
      {"raw NUL inside a string", std::string("[\"a\0b\"]", 7),
       "Error: Missing a closing quotation mark in string. at offset 3."},
      {"number too big", "1e400", "Error: Number too big to be stored in double. at offset 0."},
      // The reference reader turns these into infinities, which no writer
      // could give back.
      {"long mantissa past the range", "[1,22222222222.652e299]",
       "Error: Number too big to be stored in double. at offset 3."},
      {"negative long mantissa past the range", "{\"a\": -9999999999999999999.5e290}",
       "Error: Number too big to be stored in double. at offset 6."},
      {"unclosed array", "[1,2", "Error: Missing a comma or ']' after an array element. at offset 4."},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.desc);
    BindingResult result = ParseJson(c.text);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error(), c.message);
    // Nothing of the partial tree survives beside the error.
    EXPECT_EQ(result.value().size(), 1u);
  }
}

// RapidJSON's vectorised string scan takes bytes 0x1A-0x1F for ordinary
// characters inside the aligned blocks it checks; a raw control byte must
// be refused wherever it sits in a long string.
TEST(JsonReader, RawControlBytesInStringsAreRefusedAnywhere) {
  for (char control = 0x01; control <= 0x1F; ++control) {
    for (size_t position = 0; position < 64; position += 5) {
      SCOPED_TRACE(std::to_string(control) + " at " + std::to_string(position));
      std::string text = "[\"" + std::string(64, 'q') + "\"]";
      text[2 + position] = control;
      BindingResult result = ParseJson(text);
      ASSERT_FALSE(result.ok());
      EXPECT_EQ(result.error(), "Error: Invalid escape character in string. at offset " +
                                    std::to_string(2 + position) + ".");
    }
  }
}

std::string Nested(size_t depth, const char* open, const char* close) {
  std::string text;
  for (size_t i = 0; i < depth; ++i) text += open;
  for (size_t i = 0; i < depth; ++i) text += close;
  return text;
}

TEST(JsonReader, NestingIsBoundedAt512Levels) {
  BindingResult deepest = ParseJson(Nested(512, "[", "]"));
  ASSERT_TRUE(deepest.ok()) << deepest.error();
  const BindingProperty* cell = &deepest.value();
  size_t levels = 0;
  while (cell->kind() == BindingPropertyKind::kCollection) {
    ++levels;
    cell = &(*cell)[0];
  }
  EXPECT_EQ(levels, 512u);

  const std::vector<ErrorCase> cases = {
      {"one array too many", Nested(513, "[", "]"),
       "Error: The document is nested deeper than 512 levels. at offset 512."},
      {"objects count too", Nested(513, "{\"k\":", "}"),
       "Error: The document is nested deeper than 512 levels. at offset 2560."},
      {"an empty container still counts", "  " + Nested(512, "[", "").append("{}"),
       "Error: The document is nested deeper than 512 levels. at offset 514."},
      {"a hundred thousand brackets", std::string(100000, '['),
       "Error: The document is nested deeper than 512 levels. at offset 512."},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.desc);
    BindingResult result = ParseJson(c.text);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error(), c.message);
  }
}

}  // namespace
}  // namespace tav
