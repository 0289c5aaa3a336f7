// YAML reader: never crashes or leaks, whatever the bytes. Beyond that:
// - a failed parse leaves exactly one field, a non-empty "error" text;
// - an accepted text gives a tree no deeper than kMaxNestingDepth, whatever
//   aliases copied into it;
// - a deep copy of that tree equals it, kind for kind and bit for bit;
// - reading it through libyaml alone, without the quick pass, gives the
//   same verdict, message and tree.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "binding/codec_test_support.h"
#include "binding/nesting_depth.h"
#include "binding/yaml_fast_reader.h"
#include "binding/yaml_reader.h"
#include "fuzz_check.h"

namespace {

// Containers on the deepest path, the outermost counting as 1.
size_t Depth(const tav::BindingProperty& value) {
  size_t deepest = 0;
  if (value.kind() == tav::BindingPropertyKind::kCollection) {
    for (const tav::BindingProperty& element : value.Elements()) {
      const size_t depth = Depth(element);
      if (depth > deepest) deepest = depth;
    }
    return deepest + 1;
  }
  if (value.kind() == tav::BindingPropertyKind::kStructure) {
    for (const tav::BindingStructEntry& field : value.Fields()) {
      const size_t depth = Depth(field.value);
      if (depth > deepest) deepest = depth;
    }
    return deepest + 1;
  }
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  tav::BindingResult result = tav::ParseYaml(text);
  tav::BindingResult careful = tav::yaml_internal::ParseYamlWithLibyaml(text);
  FUZZ_CHECK(result.ok() == careful.ok() && result.error() == careful.error(),
             std::string(result.error()) + " vs " + std::string(careful.error()));
  if (!result.ok()) {
    FUZZ_CHECK(result.value().size() == 1 && !result.error().empty(),
               tav::testing::Dump(result.value()));
    return 0;
  }
  const size_t depth = Depth(result.value());
  FUZZ_CHECK(depth <= tav::kMaxNestingDepth, "depth " + std::to_string(depth));

  const tav::BindingProperty copy = result.value().Clone();
  const std::string copied = tav::testing::Difference(result.value(), copy);
  FUZZ_CHECK(copied.empty(), copied);

  tav::testing::CompareOptions options;
  options.float_signs = true;
  const std::string reread = tav::testing::Difference(result.value(), careful.value(), options);
  FUZZ_CHECK(reread.empty(), reread);
  return 0;
}
