#include "binding/msgpack_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "binding/json_reader.h"
#include "codec_test_support.h"
#include "msgpack_test_encoder.h"

namespace tav {
namespace {

using testing::Dump;
using Bytes = std::vector<uint8_t>;

struct DecodeCase {
  const char* desc;
  Bytes bytes;
  std::string expected;  // Dump() of the tree
  size_t consumed;
};

void ExpectDecodes(const std::vector<DecodeCase>& cases) {
  for (const DecodeCase& c : cases) {
    SCOPED_TRACE(c.desc);
    size_t consumed = 12345;
    BindingResult result = DecodeMsgpack(c.bytes.data(), c.bytes.size(), &consumed);
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_EQ(Dump(result.value()), c.expected);
    EXPECT_EQ(consumed, c.consumed);
  }
}

TEST(MsgpackReader, Scalars) {
  ExpectDecodes({
      {"positive fixint is signed", {0x05}, "s5", 1},
      {"negative fixint", {0xFF}, "s-1", 1},
      {"smallest negative fixint", {0xE0}, "s-32", 1},
      {"uint 8 is unsigned", {0xCC, 0x05}, "u5", 2},
      {"uint 16 big-endian", {0xCD, 0x01, 0x02}, "u258", 3},
      {"uint 64", {0xCF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
       "u18446744073709551615", 9},
      {"int 8 sign-extends", {0xD0, 0xFF}, "s-1", 2},
      {"int 16", {0xD1, 0x80, 0x00}, "s-32768", 3},
      {"int 64", {0xD3, 0x80, 0, 0, 0, 0, 0, 0, 0}, "s-9223372036854775808", 9},
      {"float 32 widens", {0xCA, 0x3F, 0xC0, 0x00, 0x00}, "f1.5", 5},
      {"float 32 keeps its rounding", {0xCA, 0x3D, 0xCC, 0xCC, 0xCD}, "f0.10000000149011612", 5},
      {"float 64", {0xCB, 0xC0, 0x09, 0x21, 0xFB, 0x54, 0x44, 0x2D, 0x18},
       "f-3.1415926535897931", 9},
      {"false", {0xC2}, "false", 1},
      {"nil leaves the cell empty", {0xC0}, "null", 1},
      {"fixstr", {0xA3, 'a', 'b', 'c'}, "\"abc\"", 4},
      {"empty fixstr", {0xA0}, "\"\"", 1},
      {"str 8", {0xD9, 0x02, 'h', 'i'}, "\"hi\"", 4},
      {"bin 8", {0xC4, 0x03, 0x00, 0x01, 0xFF}, "b\"0001ff\"", 5},
      {"bin 16 empty", {0xC5, 0x00, 0x00}, "b\"\"", 3},
  });
}

TEST(MsgpackReader, Containers) {
  ExpectDecodes({
      {"fixarray", {0x92, 0x01, 0xA1, 'x'}, "[s1,\"x\"]", 4},
      {"nil element keeps its place", {0x93, 0x01, 0xC0, 0x02}, "[s1,null,s2]", 4},
      {"empty fixarray", {0x90}, "[]", 1},
      {"empty fixmap", {0x80}, "{}", 1},
      {"array 16", {0xDC, 0x00, 0x02, 0xC2, 0xC3}, "[false,true]", 5},
      {"array 32", {0xDD, 0x00, 0x00, 0x00, 0x01, 0x90}, "[[]]", 6},
      {"map fields come out sorted", {0x82, 0xA1, 'b', 0x01, 0xA1, 'a', 0x02}, "{\"a\":s2,\"b\":s1}",
       7},
      {"map 16", {0xDE, 0x00, 0x01, 0xA1, 'k', 0x80}, "{\"k\":{}}", 6},
      {"map 32 with a str 8 key", {0xDF, 0x00, 0x00, 0x00, 0x01, 0xD9, 0x01, 'k', 0xC3},
       "{\"k\":true}", 9},
      {"map of arrays of maps",
       {0x82, 0xA5, 'p', 'a', 'g', 'e', 's', 0x92, 0x81, 0xA2, 'i', 'd', 0x07, 0x81, 0xA2, 'i',
        'd', 0xCC, 0x08, 0xA4, 'n', 'a', 'm', 'e', 0xA4, 'D', 'u', 's', 'k'},
       R"({"name":"Dusk","pages":[{"id":s7},{"id":u8}]})", 29},
  });
}

TEST(MsgpackReader, RepeatedKeysReuseTheirField) {
  ExpectDecodes({
      {"a later array is written over the earlier one from index 0",
       {0x82, 0xA1, 'a', 0x93, 0x01, 0x02, 0x03, 0xA1, 'a', 0x91, 0x09}, R"({"a":[s9,s2,s3]})",
       11},
      {"a later map merges into the earlier one",
       {0x82, 0xA1, 'a', 0x81, 0xA1, 'x', 0x01, 0xA1, 'a', 0x81, 0xA1, 'y', 0x02},
       R"({"a":{"x":s1,"y":s2}})", 13},
      {"a later nil leaves the earlier value", {0x82, 0xA1, 'a', 0x05, 0xA1, 'a', 0xC0},
       R"({"a":s5})", 7},
      {"a later scalar replaces a map", {0x82, 0xA1, 'a', 0x80, 0xA1, 'a', 0xC3},
       R"({"a":true})", 7},
  });
}

TEST(MsgpackReader, StopsAtTheEndOfTheValueOrOfTheBuffer) {
  ExpectDecodes({
      {"trailing bytes are not read", {0x01, 0x02, 0x03}, "s1", 1},
      {"trailing bytes after a container", {0x91, 0x01, 0xC3}, "[s1]", 2},
      {"array cut short by the end", {0x92, 0x01}, "[s1]", 2},
      {"array with nothing after its header", {0x93}, "[]", 1},
      {"map cut short after a key", {0x82, 0xA1, 'a', 0x01, 0xA1, 'b'}, R"({"a":s1})", 6},
      {"nested arrays cut short", {0x92, 0x92, 0x01}, "[[s1]]", 3},
      {"huge announced count, one element", {0xDD, 0xFF, 0xFF, 0xFF, 0xFF, 0x01}, "[s1]", 6},
  });
  size_t consumed = 99;
  BindingResult empty = DecodeMsgpack(nullptr, 0, &consumed);
  EXPECT_TRUE(empty.ok());
  EXPECT_TRUE(empty.value().isEmpty());
  EXPECT_EQ(consumed, 0u);
  // The consumed count is optional.
  const uint8_t one = 0x01;
  EXPECT_TRUE(DecodeMsgpack(&one, 1, nullptr).ok());
}

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

TEST(MsgpackReader, TruncatedNumbersAndLengths) {
  const std::string k8 = "Invalid MessagePack data. 8-bit integer value at position ";
  const std::string k16 = "Invalid MessagePack data. 16-bit integer value at position ";
  const std::string k32 = "Invalid MessagePack data. 32-bit integer value at position ";
  const std::string k64 = "Invalid MessagePack data. 64-bit integer value at position ";
  const std::string kEnd = " is truncated.";
  ExpectErrors({
      {"uint 8 alone", {0xCC}, k8 + "1" + kEnd},
      {"uint 16 alone", {0xCD}, k16 + "1" + kEnd},
      {"uint 16 one byte short", {0xCD, 0x01}, k16 + "1" + kEnd},
      {"uint 64", {0xCF, 0, 0, 0, 0, 0, 0, 0}, k64 + "1" + kEnd},
      {"int 8", {0xD0}, k8 + "1" + kEnd},
      {"int 16", {0xD1, 0}, k16 + "1" + kEnd},
      {"int 64", {0xD3, 0, 0}, k64 + "1" + kEnd},
      {"float 32 counts as 32-bit", {0xCA, 0x3F}, k32 + "1" + kEnd},
      {"float 64 counts as 64-bit", {0xCB}, k64 + "1" + kEnd},
      {"str 8 length", {0xD9}, k8 + "1" + kEnd},
      {"str 16 length", {0xDA, 0x00}, k16 + "1" + kEnd},
      {"str 32 length", {0xDB, 0, 0}, k32 + "1" + kEnd},
      {"bin 8 length", {0xC4}, k8 + "1" + kEnd},
      {"bin 16 length", {0xC5, 0}, k16 + "1" + kEnd},
      {"bin 32 length", {0xC6}, k32 + "1" + kEnd},
      {"array 16 count", {0xDC, 0x00}, k16 + "1" + kEnd},
      {"array 32 count", {0xDD, 0, 0, 0}, k32 + "1" + kEnd},
      {"map 16 count", {0xDE}, k16 + "1" + kEnd},
      {"map 32 count", {0xDF, 0}, k32 + "1" + kEnd},
      {"position inside a container", {0x92, 0x01, 0xCD, 0x00}, k16 + "3" + kEnd},
      {"map key length", {0x81, 0xD9}, k8 + "2" + kEnd},
      {"map value", {0x81, 0xA1, 'k', 0xD2, 0x00}, k32 + "4" + kEnd},
  });
}

TEST(MsgpackReader, TruncatedBodies) {
  ExpectErrors({
      {"str 8 body", {0xD9, 0x05, 'a', 'b', 'c'},
       "Invalid MessagePack data. String of size 5 at position 2 is truncated."},
      {"fixstr body", {0xA5, 'a'},
       "Invalid MessagePack data. String of size 5 at position 1 is truncated."},
      {"str 32 body", {0xDB, 0x00, 0x00, 0x00, 0x09, 'a'},
       "Invalid MessagePack data. String of size 9 at position 5 is truncated."},
      {"huge str 32 body", {0xDB, 0xFF, 0xFF, 0xFF, 0xFF},
       "Invalid MessagePack data. String of size 4294967295 at position 5 is truncated."},
      {"key body", {0x81, 0xA3, 'k'},
       "Invalid MessagePack data. String of size 3 at position 2 is truncated."},
      {"bin 8 body", {0xC4, 0x03, 0x01},
       "Invalid MessagePack data. Raw bytes of size 3 at position 2 are truncated."},
      {"bin 16 body", {0x91, 0xC5, 0x01, 0x00},
       "Invalid MessagePack data. Raw bytes of size 256 at position 4 are truncated."},
  });
}

TEST(MsgpackReader, MapKeysMustBeStrings) {
  const auto message = [](int position) {
    return "Invalid MessagePack data at position " + std::to_string(position) +
           ". Map keys must be strings.";
  };
  ExpectErrors({
      {"integer key", {0x81, 0x01, 0x02}, message(2)},
      {"nil key", {0x82, 0xA1, 'a', 0x01, 0xC0, 0x01}, message(5)},
      {"bin key", {0x81, 0xC4, 0x01, 'k', 0x01}, message(2)},
      {"map key", {0x81, 0x80, 0x01}, message(2)},
      {"array key", {0x81, 0x90, 0x01}, message(2)},
      {"ext key", {0x81, 0xC7, 0x00, 0x01}, message(2)},
      {"key of a nested map", {0x91, 0x81, 0xCC, 0x01}, message(3)},
  });
}

TEST(MsgpackReader, ExtensionsAndTheUnusedByteAreRefused) {
  const std::vector<uint8_t> refused = {0xC1, 0xC7, 0xC8, 0xC9, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8};
  for (uint8_t format : refused) {
    SCOPED_TRACE(static_cast<int>(format));
    const Bytes alone = {format, 0x01, 0x01, 0x01, 0x01};
    BindingResult result = DecodeMsgpack(alone.data(), alone.size(), nullptr);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error(), "Invalid MessagePack data at position 1.");

    const Bytes nested = {0x81, 0xA1, 'e', 0x92, 0x01, format, 0x01, 0x01};
    result = DecodeMsgpack(nested.data(), nested.size(), nullptr);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error(), "Invalid MessagePack data at position 6.");
  }
}

TEST(MsgpackReader, NestingIsBoundedAt512Levels) {
  Bytes deepest(512, 0x91);
  deepest.push_back(0x2A);
  size_t consumed = 0;
  BindingResult ok = DecodeMsgpack(deepest.data(), deepest.size(), &consumed);
  ASSERT_TRUE(ok.ok()) << ok.error();
  EXPECT_EQ(consumed, 513u);
  const BindingProperty* cell = &ok.value();
  for (int i = 0; i < 512; ++i) cell = &(*cell)[0];
  EXPECT_EQ(Dump(*cell), "s42");

  Bytes maps;
  for (int i = 0; i < 513; ++i) maps.insert(maps.end(), {0x81, 0xA1, 'k'});
  Bytes siblings(510, 0x91);  // a closed container does not count
  siblings.insert(siblings.end(), {0x92, 0x90, 0x91, 0x90});
  ExpectErrors({
      {"one array too many", Bytes(513, 0x91),
       "Invalid MessagePack data at position 513. Containers are nested deeper than 512 levels."},
      {"a hundred thousand arrays", Bytes(100000, 0x91),
       "Invalid MessagePack data at position 513. Containers are nested deeper than 512 levels."},
      {"maps count too", maps,
       "Invalid MessagePack data at position 1537. Containers are nested deeper than 512 "
       "levels."},
      {"an empty container one level too deep", siblings,
       "Invalid MessagePack data at position 514. Containers are nested deeper than 512 levels."},
  });
}

TEST(MsgpackReader, RoundTripsEveryFormWidth) {
  // Lengths and numbers at the edges of each width, so the encoder uses
  // every fix, 8, 16 and 32-bit form and the decoder reads each one.
  BindingResult parsed = ParseJson(
      R"({"numbers":[0,127,128,255,256,65535,65536,4294967295,4294967296,)"
      R"(-1,-32,-33,-128,-129,-32768,-32769,-2147483648,-2147483649,0.5,-1e300],)"
      R"("flags":[true,false,null]})");
  ASSERT_TRUE(parsed.ok()) << parsed.error();
  BindingProperty& tree = parsed.value();
  for (size_t length : {0, 31, 32, 255, 256, 65535, 65536}) {
    tree.MutableField("texts").Append().SetString(std::string(length, 't'));
    tree.MutableField("blobs").Append().SetBlob(std::string(length, '\xAB').data(), length);
    BindingProperty& list = tree.MutableField("lists").Append();
    list.MakeCollection();
    for (size_t i = 0; i < length; ++i) list.Append().SetBool(true);
    BindingProperty& map = tree.MutableField("maps").Append();
    map.MakeStructure();
    char key[32];
    for (size_t i = 0; i < length; ++i) {
      std::snprintf(key, sizeof key, "k%06zu", i);  // in byte order: appended, not inserted
      map.MutableField(key);
    }
  }
  const std::string bytes = testing::MsgpackTestEncoder::Encode(tree);
  size_t consumed = 0;
  BindingResult decoded = DecodeMsgpack(bytes.data(), bytes.size(), &consumed);
  ASSERT_TRUE(decoded.ok()) << decoded.error();
  EXPECT_EQ(consumed, bytes.size());
  EXPECT_EQ(testing::Difference(tree, decoded.value()), "");
}

}  // namespace
}  // namespace tav
