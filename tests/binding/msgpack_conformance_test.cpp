// The MessagePack suite in tests/testdata/msgpack: every encoding of every
// case decodes to the case's value.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "binding/json_reader.h"
#include "binding/msgpack_reader.h"
#include "codec_test_support.h"

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

bool IsNumber(const BindingProperty& value) {
  const BindingPropertyKind kind = value.kind();
  return kind == BindingPropertyKind::kSigned || kind == BindingPropertyKind::kUnsigned ||
         kind == BindingPropertyKind::kFloat;
}

long double NumberOf(const BindingProperty& value) {
  switch (value.kind()) {
    case BindingPropertyKind::kSigned:
      return static_cast<long double>(value.AsInt64());
    case BindingPropertyKind::kUnsigned:
      return static_cast<long double>(value.AsUint64());
    default:
      return value.AsDouble();
  }
}

// The decoded tree against the case's JSON value: numbers by value whatever
// their kind, everything else by kind and content.
std::string Mismatch(const BindingProperty& decoded, const BindingProperty& expected,
                     const std::string& path = "$") {
  if (IsNumber(expected)) {
    if (IsNumber(decoded) && NumberOf(decoded) == NumberOf(expected)) return "";
    return path + ": " + testing::Dump(decoded) + " vs " + testing::Dump(expected);
  }
  if (decoded.kind() != expected.kind()) {
    return path + ": " + testing::Dump(decoded) + " vs " + testing::Dump(expected);
  }
  if (expected.kind() == BindingPropertyKind::kCollection) {
    if (decoded.size() != expected.size()) return path + ": size";
    for (size_t i = 0; i < expected.size(); ++i) {
      std::string d = Mismatch(decoded[i], expected[i], path + "[" + std::to_string(i) + "]");
      if (!d.empty()) return d;
    }
    return "";
  }
  if (expected.kind() == BindingPropertyKind::kStructure) {
    if (decoded.size() != expected.size()) return path + ": field count";
    for (const BindingStructEntry& field : expected.Fields()) {
      const BindingProperty* got = decoded.FindField(field.key());
      if (got == nullptr) return path + ": missing " + std::string(field.key());
      std::string d = Mismatch(*got, field.value, path + "." + std::string(field.key()));
      if (!d.empty()) return d;
    }
    return "";
  }
  return testing::Difference(decoded, expected);
}

std::string IntegerText(const BindingProperty& value) {
  if (value.kind() == BindingPropertyKind::kSigned) return std::to_string(value.AsInt64());
  if (value.kind() == BindingPropertyKind::kUnsigned) return std::to_string(value.AsUint64());
  return "not an integer: " + testing::Dump(value);
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

bool IsContainerFormat(uint8_t format) {
  return (format >= 0x80 && format <= 0x9F) || (format >= 0xDC && format <= 0xDF);
}

class MsgpackConformance : public ::testing::Test {
 protected:
  void SetUp() override {
    BindingResult parsed = ParseJson(
        testing::ReadBytes(std::string(TAV_TESTDATA_DIR) + "/msgpack/msgpack-test-suite.json"));
    ASSERT_TRUE(parsed.ok()) << parsed.error();
    suite_ = std::move(parsed.value());
    ASSERT_EQ(suite_.size(), 15u);
  }

  // Calls `check(case, encoding)` for every encoding of every case.
  template <typename Check>
  void ForEachEncoding(Check check) {
    size_t encodings = 0;
    for (const BindingStructEntry& group : suite_.Fields()) {
      size_t index = 0;
      for (const BindingProperty& test_case : group.value.Elements()) {
        for (const BindingProperty& hex : test_case["msgpack"].Elements()) {
          SCOPED_TRACE(std::string(group.key()) + " #" + std::to_string(index) + " " +
                       std::string(hex.GetString()));
          check(test_case, FromHex(hex.GetString()));
          ++encodings;
        }
        ++index;
      }
    }
    EXPECT_EQ(encodings, 233u);
  }

  BindingProperty suite_;
};

TEST_F(MsgpackConformance, EveryEncodingDecodesToItsValue) {
  ForEachEncoding([](const BindingProperty& test_case, const Bytes& bytes) {
    size_t consumed = 0;
    BindingResult result = DecodeMsgpack(bytes.data(), bytes.size(), &consumed);
    if (test_case.FindField("ext") != nullptr || test_case.FindField("timestamp") != nullptr) {
      ASSERT_FALSE(result.ok());
      EXPECT_EQ(result.error(), "Invalid MessagePack data at position 1.");
      return;
    }
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_EQ(consumed, bytes.size());
    const BindingProperty& decoded = result.value();

    if (test_case.FindField("nil") != nullptr) {
      EXPECT_TRUE(decoded.isEmpty());
    } else if (const BindingProperty* bignum = test_case.FindField("bignum")) {
      if (decoded.kind() == BindingPropertyKind::kFloat) {
        EXPECT_EQ(Mismatch(decoded, test_case["number"]), "");
      } else {
        EXPECT_EQ(IntegerText(decoded), bignum->GetString());
      }
    } else if (const BindingProperty* binary = test_case.FindField("binary")) {
      const Bytes expected = FromHex(binary->GetString());
      ASSERT_EQ(decoded.kind(), BindingPropertyKind::kBlob);
      EXPECT_EQ(decoded.AsBlob(),
                std::string_view(reinterpret_cast<const char*>(expected.data()), expected.size()));
    } else {
      for (const char* key : {"bool", "number", "string", "array", "map"}) {
        if (const BindingProperty* expected = test_case.FindField(key)) {
          EXPECT_EQ(Mismatch(decoded, *expected), "");
        }
      }
    }
    if (IsNumber(decoded)) {
      EXPECT_EQ(decoded.kind(), KindOfScalarFormat(bytes[0]));
    }
  });
}

TEST_F(MsgpackConformance, TrailingBytesAreLeftUnread) {
  ForEachEncoding([](const BindingProperty&, Bytes bytes) {
    const size_t length = bytes.size();
    bytes.push_back(0xC1);  // never used: an error if it were read
    size_t consumed = 0;
    BindingResult result = DecodeMsgpack(bytes.data(), bytes.size(), &consumed);
    if (!result.ok()) return;  // extensions
    EXPECT_EQ(consumed, length);
  });
}

TEST_F(MsgpackConformance, EveryStrictPrefixIsTruncatedOrACutShortContainer) {
  // A scalar cut short is an error. A container cut short by the end of the
  // buffer is accepted with the items that are there: the decoder reports
  // the bytes consumed, and callers that need the whole body compare it.
  ForEachEncoding([](const BindingProperty& test_case, const Bytes& bytes) {
    if (test_case.FindField("ext") != nullptr || test_case.FindField("timestamp") != nullptr) {
      return;
    }
    for (size_t length = 1; length < bytes.size(); ++length) {
      SCOPED_TRACE(length);
      size_t consumed = 0;
      BindingResult result = DecodeMsgpack(bytes.data(), length, &consumed);
      EXPECT_LE(consumed, length);
      if (result.ok()) {
        EXPECT_TRUE(IsContainerFormat(bytes[0]));
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
