#include "binding/msgpack_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codec_test_support.h"

namespace tav {
namespace {

using Bytes = std::vector<uint8_t>;

struct ErrorCase {
  const char* desc;
  Bytes bytes;
  std::string message;
};

void ExpectErrors(const std::vector<ErrorCase>& cases) {
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.desc);
    BindingResult result = DecodeMsgpack(c.bytes.data(), c.bytes.size(), nullptr);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error(), c.message);
    EXPECT_EQ(result.value().size(), 1u);  // only the error field is left
  }
}

std::string Truncated(int bits, int position) {
  return "Invalid MessagePack data. " + std::to_string(bits) + "-bit integer value at position " +
         std::to_string(position) + " is truncated.";
}

std::string KeyNotText(int position) {
  return "Invalid MessagePack data at position " + std::to_string(position) +
         ". Map keys must be strings.";
}

TEST(MsgpackReader, TruncatedValuesAndBadKeys) {
  ExpectErrors({
      {"uint 8 alone", {0xCC}, Truncated(8, 1)},
      {"uint 16 one byte short", {0xCD, 0x01}, Truncated(16, 1)},
      {"uint 64", {0xCF, 0, 0, 0, 0, 0, 0, 0}, Truncated(64, 1)},
      {"int 8", {0xD0}, Truncated(8, 1)},
      {"int 16", {0xD1, 0}, Truncated(16, 1)},
      {"int 64", {0xD3, 0, 0}, Truncated(64, 1)},
      {"float 32 counts as 32-bit", {0xCA, 0x3F}, Truncated(32, 1)},
      {"float 64 counts as 64-bit", {0xCB}, Truncated(64, 1)},
      {"str 8 length", {0xD9}, Truncated(8, 1)},
      {"str 16 length", {0xDA, 0x00}, Truncated(16, 1)},
      {"str 32 length", {0xDB, 0, 0}, Truncated(32, 1)},
      {"bin 8 length", {0xC4}, Truncated(8, 1)},
      {"bin 16 length", {0xC5, 0}, Truncated(16, 1)},
      {"bin 32 length", {0xC6}, Truncated(32, 1)},
      {"array 16 count", {0xDC, 0x00}, Truncated(16, 1)},
      {"array 32 count", {0xDD, 0, 0, 0}, Truncated(32, 1)},
      {"map 16 count", {0xDE}, Truncated(16, 1)},
      {"map 32 count", {0xDF, 0}, Truncated(32, 1)},
      {"position inside a container", {0x92, 0x01, 0xCD, 0x00}, Truncated(16, 3)},
      {"map key length", {0x81, 0xD9}, Truncated(8, 2)},
      {"map value", {0x81, 0xA1, 'k', 0xD2, 0x00}, Truncated(32, 4)},
      {"integer key", {0x81, 0x01, 0x02}, KeyNotText(2)},
      {"nil key", {0x82, 0xA1, 'a', 0x01, 0xC0, 0x01}, KeyNotText(5)},
      {"bin key", {0x81, 0xC4, 0x01, 'k', 0x01}, KeyNotText(2)},
      {"map key", {0x81, 0x80, 0x01}, KeyNotText(2)},
      {"array key", {0x81, 0x90, 0x01}, KeyNotText(2)},
      {"ext key", {0x81, 0xC7, 0x00, 0x01}, KeyNotText(2)},
      {"key of a nested map", {0x91, 0x81, 0xCC, 0x01}, KeyNotText(3)},
  });
}

TEST(MsgpackReader, RepeatedKeysAndShortContainers) {
  struct Case {
    const char* desc;
    Bytes bytes;
    std::string dump;
    size_t consumed;
  };
  const std::vector<Case> cases = {
      {"a later scalar replaces", {0x82, 0xA1, 'a', 0x01, 0xA1, 'a', 0x02}, R"({"a":s2})", 7},
      {"a later array overwrites from its first element",
       {0x82, 0xA1, 'a', 0x93, 1, 2, 3, 0xA1, 'a', 0x91, 9}, R"({"a":[s9,s2,s3]})", 11},
      {"maps merge",
       {0x91, 0x82, 0xA1, 'm', 0x81, 0xA1, 'x', 1, 0xA1, 'm', 0x81, 0xA1, 'y', 2},
       R"([{"m":{"x":s1,"y":s2}}])", 14},
      {"nil keeps the earlier value", {0x82, 0xA1, 'a', 0x05, 0xA1, 'a', 0xC0}, R"({"a":s5})", 7},
      {"a cut-short map drops a key without value",
       {0x83, 0xA1, 'b', 1, 0xA1, 'a', 2, 0xA1, 'c'}, R"({"a":s2,"b":s1})", 9},
      {"sibling maps with the same unsorted keys",
       {0x92, 0x82, 0xA1, 'b', 1, 0xA1, 'a', 2, 0x82, 0xA1, 'b', 3, 0xA1, 'a', 4},
       R"([{"a":s2,"b":s1},{"a":s4,"b":s3}])", 15},
      {"bytes after the value are not read", {0x91, 0x01, 0xFF}, "[s1]", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.desc);
    size_t consumed = 0;
    BindingResult result = DecodeMsgpack(c.bytes.data(), c.bytes.size(), &consumed);
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_EQ(testing::Dump(result.value()), c.dump);
    EXPECT_EQ(consumed, c.consumed);
  }
}

TEST(MsgpackReader, ExtensionsAndTheUnusedByteAreRefused) {
  for (uint8_t format : {0xC1, 0xC7, 0xC8, 0xC9, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8}) {
    ExpectErrors({
        {"alone", {format, 0x01, 0x01, 0x01, 0x01}, "Invalid MessagePack data at position 1."},
        {"nested",
         {0x81, 0xA1, 'e', 0x92, 0x01, format, 0x01, 0x01},
         "Invalid MessagePack data at position 6."},
    });
  }
}

TEST(MsgpackReader, NestingIsBoundedAt512Levels) {
  Bytes deepest(512, 0x91);
  deepest.push_back(0x2A);
  size_t consumed = 0;
  BindingResult ok = DecodeMsgpack(deepest.data(), deepest.size(), &consumed);
  ASSERT_TRUE(ok.ok()) << ok.error();
  EXPECT_EQ(consumed, 513u);
  EXPECT_EQ(testing::Dump(ok.value()), std::string(512, '[') + "s42" + std::string(512, ']'));

  const std::string kTooDeep = ". Containers are nested deeper than 512 levels.";
  Bytes maps;
  for (int i = 0; i < 513; ++i) maps.insert(maps.end(), {0x81, 0xA1, 'k'});
  Bytes siblings(510, 0x91);  // a closed container does not count
  siblings.insert(siblings.end(), {0x92, 0x90, 0x91, 0x90});
  ExpectErrors({
      {"one array too many", Bytes(513, 0x91),
       "Invalid MessagePack data at position 513" + kTooDeep},
      {"a hundred thousand arrays", Bytes(100000, 0x91),
       "Invalid MessagePack data at position 513" + kTooDeep},
      {"maps count too", maps, "Invalid MessagePack data at position 1537" + kTooDeep},
      {"an empty container one level too deep", siblings,
       "Invalid MessagePack data at position 514" + kTooDeep},
  });
}

}  // namespace
}  // namespace tav
