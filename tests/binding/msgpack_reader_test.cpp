#include "binding/msgpack_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codec_test_support.h"
#include "msgpack_test_encoder.h"

namespace tav {
namespace {

using testing::Dump;
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

}  // namespace
}  // namespace tav
