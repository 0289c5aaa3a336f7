#include "binding/json_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codec_test_support.h"

namespace tav {
namespace {

// The tree's dump, or "error: " and the message.
std::string Read(std::string_view text) {
  BindingResult result = ParseJson(text);
  if (result.ok()) return testing::Dump(result.value());
  // Nothing of the partial tree survives beside the error.
  EXPECT_EQ(result.value().size(), 1u);
  return "error: " + std::string(result.error());
}

struct Case {
  const char* desc;
  std::string text;
  std::string expected;
};

void ExpectReads(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.desc);
    EXPECT_EQ(Read(c.text), c.expected);
  }
}

TEST(JsonReader, NumbersTakeTheirKindFromTheText) {
  ExpectReads({
      {"plain whole number", "42", "u42"},
      {"negative whole number", "-42", "s-42"},
      {"zero is unsigned", "0", "u0"},
      {"minus zero is signed", "-0", "s0"},
      {"fraction makes a float", "42.0", "f42"},
      {"exponent makes a float", "1e2", "f100"},
      {"largest unsigned", "18446744073709551615", "u18446744073709551615"},
      {"past 64 bits becomes a float", "18446744073709551616", "f1.8446744073709552e+19"},
      {"smallest signed", "-9223372036854775808", "s-9223372036854775808"},
      {"below the smallest signed", "-9223372036854775809", "f-9.2233720368547758e+18"},
  });
  const std::string buffer = "[1,2]  trailing bytes beyond the view";
  EXPECT_EQ(Read(std::string_view(buffer.data(), 5)), "[u1,u2]");
}

TEST(JsonReader, RepeatedKeysReuseTheirField) {
  ExpectReads({
      {"a later scalar replaces", R"({"b":1,"a":"x","b":2})", R"({"a":"x","b":u2})"},
      {"objects merge", R"({"s":{"y":1,"x":2},"s":{"z":3,"x":4}})", R"({"s":{"x":u4,"y":u1,"z":u3}})"},
      {"arrays append", R"([{"a":[1],"a":[2,3]}])", R"([{"a":[u1,u2,u3]}])"},
      {"deep inside repeating shapes", R"([{"k":1,"j":2},{"k":3,"k":4}])",
       R"([{"j":u2,"k":u1},{"k":u4}])"},
  });
}

std::string Nested(size_t depth, const char* open, const char* close) {
  std::string text;
  for (size_t i = 0; i < depth; ++i) text += open;
  for (size_t i = 0; i < depth; ++i) text += close;
  return text;
}

// Every message text is checked against the reference parser over the whole
// suite (json_conformance_test.cpp); these pin the offsets this reader adds
// and the checks it makes beyond the reference parser.
TEST(JsonReader, ErrorsCarryTheReasonAndOffset) {
  const std::string kTooDeep = "error: Error: The document is nested deeper than 512 levels. ";
  const std::string kSecondRoot =
      "error: Error: The document root must not be followed by other values. ";
  const std::string kTooBig = "error: Error: Number too big to be stored in double. ";
  ExpectReads({
      {"trailing comma", "[1,]", "error: Error: Invalid value. at offset 3."},
      {"offsets count the leading blanks", "  \n [1,]",
       "error: Error: Invalid value. at offset 7."},
      {"second root value", "1 2", kSecondRoot + "at offset 2."},
      {"second root value after blanks", "{}\n\t[]", kSecondRoot + "at offset 4."},
      {"NUL after the value", std::string("123\0", 4), kSecondRoot + "at offset 3."},
      {"NUL before blanks", std::string("[] \0 ", 5), kSecondRoot + "at offset 3."},
      {"raw NUL inside a string", std::string("[\"a\0b\"]", 7),
       "error: Error: Missing a closing quotation mark in string. at offset 3."},
      {"unclosed array", "[1,2",
       "error: Error: Missing a comma or ']' after an array element. at offset 4."},
      {"number too big", "1e400", kTooBig + "at offset 0."},
      // The reference reader turns these into infinities, which no writer
      // could give back.
      {"long mantissa past the range", "[1,22222222222.652e299]", kTooBig + "at offset 3."},
      {"negative long mantissa past the range", "{\"a\": -9999999999999999999.5e290}",
       kTooBig + "at offset 6."},
      {"512 levels", Nested(512, "[", "]"), Nested(512, "[", "]")},
      {"one array too many", Nested(513, "[", "]"), kTooDeep + "at offset 512."},
      {"objects count too", Nested(513, "{\"k\":", "}"), kTooDeep + "at offset 2560."},
      {"an empty container still counts", "  " + Nested(512, "[", "").append("{}"),
       kTooDeep + "at offset 514."},
      {"a hundred thousand brackets", std::string(100000, '['), kTooDeep + "at offset 512."},
  });
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
      EXPECT_EQ(Read(text), "error: Error: Invalid escape character in string. at offset " +
                                std::to_string(2 + position) + ".");
    }
  }
}

}  // namespace
}  // namespace tav
