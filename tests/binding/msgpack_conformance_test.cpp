// The MessagePack suite in tests/testdata/msgpack: every encoding of every
// case decodes to the case's value.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "binding/json_reader.h"
#include "binding/msgpack_reader.h"
#include "codec_test_support.h"
#include "msgpack_test_encoder.h"

namespace tav {
namespace {

using Bytes = std::vector<uint8_t>;

// "cd-00-ff" -> {0xCD, 0x00, 0xFF}; "" -> {}.
Bytes FromHex(std::string_view hex) {
  Bytes bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 3) {
    bytes.push_back(static_cast<uint8_t>(std::stoul(std::string(hex.substr(i, 2)), nullptr, 16)));
  }
  return bytes;
}

// The kinds this decoder gives by design, where a plain reading of the data
// would differ: a positive fixint is signed like int 8-64, only uint 8-64
// are unsigned; nil leaves the cell empty; extensions (ext, fixext and the
// timestamps built on them) are refused.
BindingPropertyKind KindOfScalarFormat(uint8_t format) {
  if (format <= 0x7F || format >= 0xE0 || (format >= 0xD0 && format <= 0xD3)) {
    return BindingPropertyKind::kSigned;
  }
  if (format >= 0xCC && format <= 0xCF) return BindingPropertyKind::kUnsigned;
  return BindingPropertyKind::kFloat;  // 0xCA, 0xCB
}

bool IsExtension(const BindingProperty& test_case) {
  return test_case.FindField("ext") != nullptr || test_case.FindField("timestamp") != nullptr;
}

// Calls `check(case, encoding)` for every encoding of every case.
template <typename Check>
void ForEachEncoding(Check check) {
  BindingResult suite = ParseJson(
      testing::ReadBytes(std::string(TAV_TESTDATA_DIR) + "/msgpack/msgpack-test-suite.json"));
  ASSERT_TRUE(suite.ok()) << suite.error();
  ASSERT_EQ(suite.value().size(), 15u);
  size_t encodings = 0;
  for (const BindingStructEntry& group : suite.value().Fields()) {
    for (const BindingProperty& test_case : group.value.Elements()) {
      for (const BindingProperty& hex : test_case["msgpack"].Elements()) {
        SCOPED_TRACE(std::string(group.key()) + " " + std::string(hex.GetString()));
        check(test_case, FromHex(hex.GetString()));
        ++encodings;
      }
    }
  }
  EXPECT_EQ(encodings, 233u);
}

TEST(MsgpackConformance, EveryEncodingDecodesToItsValue) {
  testing::CompareOptions by_value;
  by_value.numbers_by_value = true;
  ForEachEncoding([&](const BindingProperty& test_case, Bytes bytes) {
    const size_t length = bytes.size();
    bytes.push_back(0xC1);  // never used: an error if it were read
    size_t consumed = 0;
    BindingResult result = DecodeMsgpack(bytes.data(), bytes.size(), &consumed);
    if (IsExtension(test_case)) {
      EXPECT_EQ(result.error(), "Invalid MessagePack data at position 1.");
      return;
    }
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_EQ(consumed, length);
    const BindingProperty& decoded = result.value();

    const BindingProperty* bignum = test_case.FindField("bignum");
    if (test_case.FindField("nil") != nullptr) {
      EXPECT_TRUE(decoded.isEmpty());
    } else if (bignum != nullptr && decoded.kind() != BindingPropertyKind::kFloat) {
      EXPECT_EQ(decoded.kind() == BindingPropertyKind::kSigned ? std::to_string(decoded.AsInt64())
                                                               : std::to_string(decoded.AsUint64()),
                bignum->GetString());
    } else if (const BindingProperty* binary = test_case.FindField("binary")) {
      const Bytes expected = FromHex(binary->GetString());
      ASSERT_EQ(decoded.kind(), BindingPropertyKind::kBlob);
      EXPECT_EQ(decoded.AsBlob(), std::string(expected.begin(), expected.end()));
    } else {
      for (const char* key : {"bool", "number", "string", "array", "map"}) {
        if (const BindingProperty* expected = test_case.FindField(key)) {
          EXPECT_EQ(testing::Difference(decoded, *expected, by_value), "");
        }
      }
    }
    if (decoded.kind() == BindingPropertyKind::kSigned ||
        decoded.kind() == BindingPropertyKind::kUnsigned ||
        decoded.kind() == BindingPropertyKind::kFloat) {
      EXPECT_EQ(decoded.kind(), KindOfScalarFormat(bytes[0]));
    }
    // The test encoder (used by the fuzzer and the benchmark) gives back
    // bytes that decode to the same tree, kinds included.
    const std::string again = testing::MsgpackTestEncoder::Encode(decoded);
    BindingResult reread = DecodeMsgpack(again.data(), again.size(), nullptr);
    EXPECT_EQ(testing::Difference(reread.value(), decoded), "");
  });
}

TEST(MsgpackConformance, EveryStrictPrefixIsTruncatedOrACutShortContainer) {
  // A scalar cut short is an error. A container cut short by the end of the
  // buffer is accepted with the items that are there: the decoder reports
  // the bytes consumed, and callers that need the whole body compare it.
  ForEachEncoding([](const BindingProperty& test_case, const Bytes& bytes) {
    if (IsExtension(test_case)) return;
    for (size_t length = 1; length < bytes.size(); ++length) {
      SCOPED_TRACE(length);
      size_t consumed = 0;
      BindingResult result = DecodeMsgpack(bytes.data(), length, &consumed);
      EXPECT_LE(consumed, length);
      if (result.ok()) {
        const uint8_t format = bytes[0];
        EXPECT_TRUE((format >= 0x80 && format <= 0x9F) || (format >= 0xDC && format <= 0xDF));
        continue;
      }
      const std::string error(result.error());
      EXPECT_EQ(error.rfind("Invalid MessagePack data. ", 0), 0u) << error;
      EXPECT_EQ(error.substr(error.size() - 10), "truncated.") << error;
    }
  });
}

}  // namespace
}  // namespace tav
