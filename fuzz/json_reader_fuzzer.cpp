// JSON reader: never crashes; whatever it accepts, both writers turn into
// text that reads back to the same tree; it accepts and refuses exactly what
// RapidJSON's own document parser does, with the same message; and what it
// accepts reads to the tree that RapidJSON's document makes under the
// tree's rules, with the same kinds and the same bits of every number.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>

#include "binding/codec_test_support.h"
#include "binding/json_internal.h"
#include "binding/json_reader.h"
#include "binding/json_writer.h"
#include "fuzz_check.h"

namespace {

// The reference parser recurses once per level: only compare texts it can
// survive, and that our reader does not cut off by depth.
size_t BracketDepth(std::string_view text) {
  size_t depth = 0;
  size_t deepest = 0;
  bool in_string = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (in_string) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        in_string = false;
      }
    } else if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      if (++depth > deepest) deepest = depth;
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
  return deepest;
}

// Parses `text` the reference's way, padded: its vector scans read whole
// 16-byte blocks.
void ReferenceParse(std::string_view text, rapidjson::Document& document) {
  std::string copy(text);
  copy.append(16, '\0');
  document.Parse(copy.c_str());
}

// The end of the JSON number that starts at `offset`: sign, digits,
// fraction, exponent. Whatever follows is the rest of the document.
size_t NumberEnd(std::string_view text, size_t offset) {
  size_t end = offset;
  const auto digits = [&] {
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
  };
  if (end < text.size() && text[end] == '-') ++end;
  digits();
  if (end < text.size() && text[end] == '.') {
    ++end;
    digits();
  }
  if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
    ++end;
    if (end < text.size() && (text[end] == '+' || text[end] == '-')) ++end;
    digits();
  }
  return end;
}

// The offset of our overflow refusal, when the number there is one the
// reference reads as an infinity. Ours refuses such a number where it
// stands; the reference goes on past it and may accept the text or stop
// later for another reason.
std::optional<size_t> RefusedInfinityOffset(std::string_view text,
                                            const tav::BindingResult& ours) {
  constexpr std::string_view kRefusal = "Error: Number too big to be stored in double. at offset ";
  if (ours.ok() || ours.error().substr(0, kRefusal.size()) != kRefusal) return std::nullopt;
  const size_t offset = std::strtoull(std::string(ours.error().substr(kRefusal.size())).c_str(),
                                      nullptr, 10);
  if (offset >= text.size()) return std::nullopt;
  const size_t end = NumberEnd(text, offset);
  rapidjson::Document number;
  ReferenceParse(text.substr(offset, end - offset), number);
  if (number.HasParseError() || !number.IsDouble() || std::isfinite(number.GetDouble())) {
    return std::nullopt;
  }
  return offset;
}

// Writes `value` into `target` as the tree's readers do: a repeated key
// reuses its field, where a later scalar replaces the value, a later object
// merges into an earlier one, a later array appends to an earlier one, and
// a later null leaves the value as it was.
void Replay(const rapidjson::Value& value, tav::BindingProperty& target) {
  switch (value.GetType()) {
    case rapidjson::kNullType:
      return;
    case rapidjson::kFalseType:
    case rapidjson::kTrueType:
      target.SetBool(value.GetBool());
      return;
    case rapidjson::kNumberType:
      if (value.IsDouble()) {
        target.SetDouble(value.GetDouble());
      } else if (value.IsInt64() && value.GetInt64() < 0) {
        target.SetInt64(value.GetInt64());
      } else {
        target.SetUint64(value.GetUint64());
      }
      return;
    case rapidjson::kStringType:
      target.SetString(std::string_view(value.GetString(), value.GetStringLength()));
      return;
    case rapidjson::kArrayType:
      target.MakeCollection();
      for (const rapidjson::Value& element : value.GetArray()) Replay(element, target.Append());
      return;
    case rapidjson::kObjectType:
      target.MakeStructure();
      for (const auto& member : value.GetObject()) {
        const std::string_view name(member.name.GetString(), member.name.GetStringLength());
        Replay(member.value, target.MutableField(name));
      }
      return;
  }
}

void CheckSameTree(const tav::BindingProperty& ours, const rapidjson::Document& document) {
  tav::BindingProperty expected;
  Replay(document, expected);
  tav::testing::CompareOptions options;
  options.zero_of_either_sign = true;
  options.float_signs = true;
  const std::string difference = tav::testing::Difference(ours, expected, options);
  FUZZ_CHECK(difference.empty(), difference);
}

bool IsBlankText(std::string_view text) {
  return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

void CheckAgainstReference(std::string_view text, const tav::BindingResult& ours) {
  if (text.find('\0') != std::string_view::npos || IsBlankText(text)) return;
  if (BracketDepth(text) > 400) return;
  // The reference's vector scan accepts raw bytes 0x1A-0x1F in strings
  // depending on their alignment; ours refuses them everywhere.
  if (tav::json_internal::HasVectorScanBlindSpot(text)) return;
  rapidjson::Document document;
  ReferenceParse(text, document);
  if (const std::optional<size_t> refused = RefusedInfinityOffset(text, ours)) {
    FUZZ_CHECK(!document.HasParseError() || document.GetErrorOffset() > *refused,
               "ours: " + std::string(ours.error()) + "\nreference: " +
                   rapidjson::GetParseError_En(document.GetParseError()));
    return;
  }
  if (!document.HasParseError()) {
    FUZZ_CHECK(ours.ok(), std::string(ours.error()));
    CheckSameTree(ours.value(), document);
    return;
  }
  char expected[256];
  std::snprintf(expected, sizeof expected, "Error: %s at offset %zu.",
                rapidjson::GetParseError_En(document.GetParseError()),
                document.GetErrorOffset());
  FUZZ_CHECK(!ours.ok() && ours.error() == expected,
             std::string("ours: ") + std::string(ours.error()) + "\nreference: " + expected);
}

void CheckRoundTrip(const tav::BindingProperty& tree, std::string_view newline) {
  const std::string written = tav::WriteJson(tree, nullptr, newline);
  tav::BindingResult again = tav::ParseJson(written);
  FUZZ_CHECK(again.ok(), std::string(again.error()) + "\n" + written);
  tav::testing::CompareOptions options;
  options.signed_as_unsigned = true;  // -0 is written 0
  options.float_ulps = 16;            // the reader's fast number path
  const std::string difference = tav::testing::Difference(tree, again.value(), options);
  FUZZ_CHECK(difference.empty(), difference + "\n" + written);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  tav::BindingResult result = tav::ParseJson(text);
  CheckAgainstReference(text, result);
  if (!result.ok()) {
    const std::string_view error = result.error();
    FUZZ_CHECK(error.substr(0, 7) == "Error: ", std::string(error));
    return 0;
  }
  CheckRoundTrip(result.value(), {});
  CheckRoundTrip(result.value(), "\r\n");
  return 0;
}
