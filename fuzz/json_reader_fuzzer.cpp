// JSON reader: never crashes; whatever it accepts, both writers turn into
// text that reads back to the same tree; and it accepts and refuses exactly
// what RapidJSON's own document parser does, with the same message.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
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

bool HoldsInfinity(const rapidjson::Value& value) {
  if (value.IsDouble()) return !std::isfinite(value.GetDouble());
  if (value.IsArray()) {
    for (const rapidjson::Value& element : value.GetArray()) {
      if (HoldsInfinity(element)) return true;
    }
  }
  if (value.IsObject()) {
    for (const auto& member : value.GetObject()) {
      if (HoldsInfinity(member.value)) return true;
    }
  }
  return false;
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
  // Padded: RapidJSON's vector scans read whole 16-byte blocks.
  std::string copy(text);
  copy.append(16, '\0');
  rapidjson::Document document;
  document.Parse(copy.c_str());
  if (!document.HasParseError()) {
    if (HoldsInfinity(document)) {
      // The reference lets some numbers past the double range through as
      // infinities; ours refuses them like the rest of the overflows.
      const std::string_view refusal = "Error: Number too big to be stored in double. at offset ";
      FUZZ_CHECK(!ours.ok() && ours.error().substr(0, refusal.size()) == refusal,
                 std::string(ours.error()));
      return;
    }
    FUZZ_CHECK(ours.ok(), std::string(ours.error()));
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
