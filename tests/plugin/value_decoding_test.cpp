// How value texts and bodies are recognised and decoded.
#include <gtest/gtest.h>

#include <string>

#include "binding/json_writer.h"
#include "plugin/value_decoding.h"

namespace tav {
namespace {

TEST(ValueDecoding, SniffsMapsAndArraysOfEachFormat) {
  struct Case {
    std::string text;
    ValueSniff sniff;
  };
  const Case cases[] = {
      {"\x80", ValueSniff::kMsgpack},          // empty map
      {"\x9f", ValueSniff::kMsgpack},          // fixarray of 15
      {"\xdc\x00\x00", ValueSniff::kMsgpack},  // array 16
      {"\xa3"
       "abc",
       ValueSniff::kText},  // a MessagePack string is not sniffed
      {"\xe0", ValueSniff::kText},
      {"  {\"a\":1}", ValueSniff::kJson},
      {"[1]", ValueSniff::kJson},
      {"\t[1]", ValueSniff::kText},  // only spaces are skipped
      {"   ---\na: 1", ValueSniff::kYaml},
      {"--", ValueSniff::kText},
      {"", ValueSniff::kText},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(SniffValueText(c.text), c.sniff);
  }
}

TEST(ValueDecoding, ContentTypesPickTheCodec) {
  struct Case {
    const char* label;
    std::string text;
    const char* type;
    bool structured;
    const char* json;
  };
  const Case cases[] = {
      {"json", "[1,2]", "Application/JSON; charset=utf-8", false, "[1,2]"},
      {"msgpack ext", std::string("\x92\x01\x02", 3), "application/x-msgpack-ext", false, "[1,2]"},
      {"yaml text type", "- 1\n- 2\n", "text/x-yaml", false, "[1,2]"},
      {"octet stream", "hi", "application/octet-stream", false, "\"aGk=\""},
      {"unknown type", "[1,2]", "text/plain", true, "\"[1,2]\""},
      {"no type, plain parameter", "[1,2]", "", false, "\"[1,2]\""},
      {"no type, structured parameter", "[1,2]", "", true, "[1,2]"},
      {"no type, structured, plain text", "oak", "", true, "\"oak\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    BindingResult decoded = DecodeValueText(c.text, c.type, c.structured, "p", "F");
    ASSERT_TRUE(decoded.ok()) << decoded.error();
    EXPECT_EQ(WriteJson(decoded.value()), c.json);
  }
}

TEST(ValueDecoding, CodecErrorsNameTheParameterAndFunction) {
  BindingResult decoded = DecodeValueText("{", "application/json", false, "page", "PutPage");
  ASSERT_FALSE(decoded.ok());
  EXPECT_EQ(decoded.error(),
            "Couldn't deserialize JSON value for parameter 'page' of 'PutPage': "
            "Error: Missing a name for object member. at offset 1.");
}

}  // namespace
}  // namespace tav
