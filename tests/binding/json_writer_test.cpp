#include "binding/json_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "binding/json_internal.h"
#include "binding/json_reader.h"

namespace tav {
namespace {

template <class Set>
BindingProperty Made(Set set) {
  BindingProperty value;
  set(value);
  return value;
}

BindingProperty Parsed(const char* json) {
  BindingResult result = ParseJson(json);
  EXPECT_TRUE(result.ok()) << result.error();
  return std::move(result.value());
}

BindingProperty Float(double number) {
  return Made([&](BindingProperty& v) { v.SetDouble(number); });
}

BindingProperty Text(std::string_view text) {
  return Made([&](BindingProperty& v) { v.SetString(text); });
}

TEST(JsonWriter, CompactScalars) {
  struct Case {
    const char* desc;
    BindingProperty value;
    const char* expected;
  };
  const Case cases[] = {
      {"empty is null", BindingProperty(), "null"},
      {"smallest signed", Parsed("-9223372036854775808"), "-9223372036854775808"},
      {"largest unsigned", Parsed("18446744073709551615"), "18446744073709551615"},
      {"whole float keeps a fraction", Float(1.0), "1.0"},
      {"negative zero", Float(-0.0), "-0.0"},
      {"shortest text", Float(0.1), "0.1"},
      {"large exponent", Float(1e300), "1e300"},
      {"smallest subnormal", Float(5e-324), "5e-324"},
      {"NaN has no JSON form", Float(std::nan("")), "null"},
      {"infinity has no JSON form", Float(HUGE_VAL), "null"},
      {"escapes", Text("q\"b\\n\n\x01/\x7f"),
       R"("q\"b\\n\n\u0001/)"
       "\x7f\""},
      {"embedded NUL", Text(std::string_view("a\0b", 3)), R"("a\u0000b")"},
      {"UTF-8 passes through", Text("Ros\xc3\xa9"), "\"Ros\xc3\xa9\""},
      {"blob as Base64", Made([](BindingProperty& v) { v.SetBlob("\x01\x02\x03\xff", 4); }),
       R"("AQID/w==")"},
      {"empty blob", Made([](BindingProperty& v) { v.SetBlob("", 0); }), R"("")"},
      {"enum without a registry", Made([](BindingProperty& v) { v.SetEnum(-3, 12); }), "-3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.desc);
    EXPECT_EQ(WriteJson(c.value), c.expected);
  }
}

TEST(JsonWriter, PrettyIndentsByFourWithTheGivenLineBreak) {
  BindingProperty value = Parsed(R"({"b":{},"a":[1,{"k":"v\nw"}],"c":[]})");
  value.MutableField("d").SetDouble(HUGE_VAL);
  const std::string lf =
      "{\n"
      "    \"a\": [\n"
      "        1,\n"
      "        {\n"
      "            \"k\": \"v\\nw\"\n"
      "        }\n"
      "    ],\n"
      "    \"b\": {},\n"
      "    \"c\": [],\n"
      "    \"d\": null\n"
      "}";
  EXPECT_EQ(WriteJson(value, nullptr, "\n"), lf);

  std::string crlf;
  for (char c : lf) crlf += c == '\n' ? "\r\n" : std::string(1, c);
  EXPECT_EQ(WriteJson(value, nullptr, "\r\n"), crlf);
  EXPECT_EQ(WriteJson(Parsed("\"one\""), nullptr, "\r\n"), "\"one\"");
}

// Every byte, at every place against the 16-byte blocks the string path
// scans, comes out as RapidJSON's byte-by-byte path writes it, in values
// and in keys. (RapidJSON's own vectorised scan lets bytes 0x1A-0x1F
// through unescaped inside the blocks it checks.)
TEST(JsonWriter, EveryByteIsEscapedAsRapidJsonDoesWhereverItSits) {
  using PlainBuffer =
      rapidjson::GenericStringBuffer<rapidjson::UTF8<>, json_internal::HeapJsonAllocator>;
  for (int byte = 0; byte < 256; ++byte) {
    for (size_t position = 0; position < 40; position += 3) {
      SCOPED_TRACE(std::to_string(byte) + " at " + std::to_string(position));
      std::string text(40, 'p');
      text[position] = static_cast<char>(byte);
      PlainBuffer plain;
      rapidjson::Writer<PlainBuffer>(plain).String(text.data(),
                                                   static_cast<rapidjson::SizeType>(text.size()));
      const std::string quoted(plain.GetString(), plain.GetSize());
      BindingProperty list;
      list.Append().SetString(text);
      list.Append().MutableField(text).SetBool(true);
      EXPECT_EQ(WriteJson(list), "[" + quoted + ",{" + quoted + ":true}]");
      EXPECT_EQ(WriteJson(list, nullptr, "\n"),
                "[\n    " + quoted + ",\n    {\n        " + quoted + ": true\n    }\n]");
    }
  }
}

}  // namespace
}  // namespace tav
