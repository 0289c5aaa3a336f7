// MessagePack decoder: never crashes or reads past the buffer; whatever it
// decodes survives encode-then-decode unchanged, writes as valid JSON, and
// survives the trip through the core's value form.
#include <cstddef>
#include <cstdint>
#include <string>

#include "binding/codec_test_support.h"
#include "binding/core_value.h"
#include "binding/json_reader.h"
#include "binding/json_writer.h"
#include "binding/msgpack_reader.h"
#include "binding/msgpack_test_encoder.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  size_t consumed = 0;
  tav::BindingResult result = tav::DecodeMsgpack(data, size, &consumed);
  FUZZ_CHECK(consumed <= size, std::to_string(consumed));
  if (!result.ok()) {
    const std::string_view error = result.error();
    FUZZ_CHECK(error.substr(0, 24) == "Invalid MessagePack data", std::string(error));
    return 0;
  }
  const tav::BindingProperty& tree = result.value();

  const std::string encoded = tav::testing::MsgpackTestEncoder::Encode(tree);
  size_t again_consumed = 0;
  tav::BindingResult again = tav::DecodeMsgpack(encoded.data(), encoded.size(), &again_consumed);
  FUZZ_CHECK(again.ok(), std::string(again.error()));
  FUZZ_CHECK(again_consumed == encoded.size(), std::to_string(again_consumed));
  std::string difference = tav::testing::Difference(tree, again.value());
  FUZZ_CHECK(difference.empty(), difference);

  // Any float, NaN and infinities included, must leave valid JSON.
  const std::string json = tav::WriteJson(tree);
  tav::BindingResult parsed = tav::ParseJson(json);
  FUZZ_CHECK(parsed.ok(), std::string(parsed.error()) + "\n" + json);

  CoreValue core = {};
  tav::ToCoreValue(tree, nullptr, &core);
  tav::BindingProperty back;
  FUZZ_CHECK(tav::FromCoreValue(core, "fuzz", nullptr, &back), "core value refused");
  tav::ReleaseCoreValue(&core);
  // The core form has C texts: strings are cut at their first NUL.
  if (json.find("\\u0000") == std::string::npos) {
    difference = tav::testing::Difference(tree, back);
    FUZZ_CHECK(difference.empty(), difference);
  }
  return 0;
}
