#include "binding/json_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "binding/json_reader.h"

namespace tav {
namespace {

struct WriteCase {
  const char* desc;
  BindingProperty value;
  const char* expected;
};

BindingProperty Float(double number) {
  BindingProperty value;
  value.SetDouble(number);
  return value;
}

BindingProperty Text(std::string_view text) {
  BindingProperty value;
  value.SetString(text);
  return value;
}

BindingProperty Parsed(const char* json) {
  BindingResult result = ParseJson(json);
  EXPECT_TRUE(result.ok()) << result.error();
  return std::move(result.value());
}

TEST(JsonWriter, CompactScalars) {
  std::vector<WriteCase> cases;
  cases.push_back({"empty is null", BindingProperty(), "null"});
  BindingProperty flag;
  flag.SetBool(false);
  cases.push_back({"bool", std::move(flag), "false"});
  BindingProperty smallest;
  smallest.SetInt64(std::numeric_limits<int64_t>::min());
  cases.push_back({"smallest signed", std::move(smallest), "-9223372036854775808"});
  BindingProperty largest;
  largest.SetUint64(std::numeric_limits<uint64_t>::max());
  cases.push_back({"largest unsigned", std::move(largest), "18446744073709551615"});
  cases.push_back({"whole float keeps a fraction", Float(1.0), "1.0"});
  cases.push_back({"zero float", Float(0.0), "0.0"});
  cases.push_back({"negative zero", Float(-0.0), "-0.0"});
  cases.push_back({"shortest text", Float(0.1), "0.1"});
  cases.push_back({"large exponent", Float(1e300), "1e300"});
  cases.push_back({"smallest subnormal", Float(5e-324), "5e-324"});
  cases.push_back({"NaN has no JSON form", Float(std::nan("")), "null"});
  cases.push_back({"infinity has no JSON form", Float(HUGE_VAL), "null"});
  cases.push_back({"negative infinity", Float(-HUGE_VAL), "null"});
  cases.push_back({"escapes", Text("q\"b\\n\n\x01/\x7f"), R"("q\"b\\n\n\u0001/)" "\x7f\"" });
  cases.push_back({"embedded NUL", Text(std::string_view("a\0b", 3)), R"("a\u0000b")"});
  cases.push_back({"UTF-8 passes through", Text("Ros\xc3\xa9"), "\"Ros\xc3\xa9\""});
  BindingProperty bytes;
  bytes.SetBlob("\x01\x02\x03\xff", 4);
  cases.push_back({"blob as Base64", std::move(bytes), R"("AQID/w==")"});
  BindingProperty no_bytes;
  no_bytes.SetBlob("", 0);
  cases.push_back({"empty blob", std::move(no_bytes), R"("")"});
  BindingProperty enumeration;
  enumeration.SetEnum(-3, 12);
  cases.push_back({"enum without a registry", std::move(enumeration), "-3"});

  for (const WriteCase& c : cases) {
    SCOPED_TRACE(c.desc);
    EXPECT_EQ(WriteJson(c.value), c.expected);
  }
}

TEST(JsonWriter, NonFiniteFloatsKeepTheTextValid) {
  BindingProperty list;
  list.MutableElement(0).SetDouble(HUGE_VAL);
  list.MutableElement(1).SetDouble(2.5);
  list.MutableElement(2).MutableField("n").SetDouble(std::nan(""));
  const std::string text = WriteJson(list);
  EXPECT_EQ(text, R"([null,2.5,{"n":null}])");
  EXPECT_TRUE(ParseJson(text).ok());
  EXPECT_TRUE(ParseJson(WriteJson(list, nullptr, "\n")).ok());
}

TEST(JsonWriter, PrettyIndentsByFourWithTheGivenLineBreak) {
  const BindingProperty value = Parsed(R"({"b":{},"a":[1,{"k":"v\nw"}],"c":[]})");
  const std::string lf =
      "{\n"
      "    \"a\": [\n"
      "        1,\n"
      "        {\n"
      "            \"k\": \"v\\nw\"\n"
      "        }\n"
      "    ],\n"
      "    \"b\": {},\n"
      "    \"c\": []\n"
      "}";
  EXPECT_EQ(WriteJson(value, nullptr, "\n"), lf);

  std::string crlf;
  for (char c : lf) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  EXPECT_EQ(WriteJson(value, nullptr, "\r\n"), crlf);

  // Scalars have no line breaks at all.
  EXPECT_EQ(WriteJson(Parsed("\"one\""), nullptr, "\r\n"), "\"one\"");
  EXPECT_EQ(WriteJson(Parsed("[]"), nullptr, "\n"), "[]");
}

// RapidJSON's vectorised string scan lets bytes 0x1A-0x1F through
// unescaped inside the aligned 16-byte blocks it checks; every position of
// a long string must still come out escaped, in values and in keys.
TEST(JsonWriter, EveryControlByteIsEscapedWhereverItSits) {
  for (char control = 0x1A; control <= 0x1F; ++control) {
    for (size_t position = 0; position < 64; position += 7) {
      SCOPED_TRACE(std::to_string(control) + " at " + std::to_string(position));
      std::string text(64, 'p');
      text[position] = control;
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(control));
      const std::string quoted = "\"" + std::string(position, 'p') + escaped +
                                 std::string(63 - position, 'p') + "\"";

      EXPECT_EQ(WriteJson(Text(text)), quoted);
      BindingProperty object;
      object.MutableField(text).SetBool(true);
      EXPECT_EQ(WriteJson(object), "{" + quoted + ":true}");
      EXPECT_EQ(WriteJson(object, nullptr, "\n"), "{\n    " + quoted + ": true\n}");
      BindingProperty list;
      list.Append().SetString(text);
      list.Append().SetString(text);
      EXPECT_EQ(WriteJson(list), "[" + quoted + "," + quoted + "]");
    }
  }
}

}  // namespace
}  // namespace tav
